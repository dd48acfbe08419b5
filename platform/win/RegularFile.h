#pragma once
// Opening a data file for reading only when it is a regular file. A named
// pipe, a device or a folder in a data file's place is refused at once: the
// open never waits for a writer, and nothing is read from a stream that has
// no end.
#include <cstdint>
#include <cstdio>
#include <string>

// A read-only descriptor (close-on-exec) of the regular file at `path`; -1
// when it is missing or not a regular file (errno then says why: EINVAL for
// a pipe or a device, EISDIR for a folder).
int OpenRegularFileDescriptor(const std::string& path, int extraFlags = 0);
// The same as a stdio stream ("rb"); null when refused.
std::FILE* OpenRegularFile(const std::string& path);
// The size of the regular file at `path`, -1 when missing or not regular.
int64_t RegularFileSize(const std::string& path);

// Removes the temporary files a killed save or download left beside
// `target`: regular files of its folder named as the target's file name,
// then `infix`, then the six letters or digits mkstemp adds ("cometes2.dat"
// with ".part-" removes "cometes2.dat.part-a1B2c3"). Nothing else is
// touched: no other name, no folder, no link, and no suffix of six small
// letters, which may be a name a person chose ("nuvarine.ini.backup").
// Returns how many went.
int RemoveLeftTemporaries(const std::string& target, const std::string& infix);
