#pragma once
// The program update: the version page, the comparison with the installed
// components, and the downloads of the newer packages into "\update\" with
// the updater's work list. Nothing downloaded is made executable, unpacked or
// run here.
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "Download.h"

// Components in page and work-list order.
enum UpdateComponent { kUpdater, kProgram, kLibrary, kObjects, kTextures, kHelp, kComponentCount };

struct VersionPage {
  std::array<std::string, kComponentCount> url;
  std::array<std::string, kComponentCount> version;
};

// Parses the first block of the page (at most 2000 bytes are looked at).
VersionPage ParseVersionPage(const std::string& block);
// "2.0.0 R7" -> 2.007: " R" removed, then the last ".".
float VersionNumberFromText(const std::string& text);
// The number in a local version file; 1.001 when it is missing or empty.
float ReadVersionFile(const std::string& path);
// The installed versions, read from the install folder's version files and
// the program's and library's version texts.
std::array<float, kComponentCount> InstalledVersions(const std::string& installFolder,
                                                     const std::string& programVersion,
                                                     const std::string& libraryVersion);
// Builds the list of newer components; older or equal ones get their address
// cleared in `page`. Empty when everything is current.
std::string BuildUpdateList(VersionPage& page, const std::array<float, kComponentCount>& installed);
// The package file of a component ("update.exe", "maj.exe", ...).
const char* PackageFileName(int component);

// Shared with the update's progress window.
class UpdateProgress {
 public:
  std::atomic<bool> stopRequested{false};
  // A package address could not be split: nothing was fetched or written.
  std::atomic<bool> badAddress{false};
  std::atomic<int> filePercent{0};
  std::atomic<int> totalPercent{0};
  void SetText(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_text = text;
  }
  std::string Text() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_text;
  }

 private:
  mutable std::mutex m_mutex;
  std::string m_text;
};

enum class VersionPageResult { Read, BadUrl, NotFound, Unreadable, Stopped };
// The waits of the version page: the whole request ends after 30 s, however
// slowly the server trickles its bytes.
InternetLimits VersionPageLimits();
// True when the block holds a version page: its "###" payload names at least
// one component with an address and a version.
bool IsVersionPage(const std::string& block);
// The first block (at most 2000 bytes) of the version page into `block`.
// BadUrl when the address cannot be split; NotFound for no answer or a status
// other than 200; Unreadable when the answer is no version page (an HTML
// page, zeros, compressed bytes, one endless line) or ended, by an error or
// the time limit, before its payload was whole; Stopped when `abort` was set.
VersionPageResult FetchVersionPage(const std::string& url, const ProxySettings& proxy, const InternetLimits& limits,
                                   const std::atomic<bool>* abort, std::string& block);

// The Content-Length of the address, 0 when missing, unreachable or not 200.
int64_t QueryRemoteFileSize(const std::string& url, const ProxySettings& proxy, const InternetLimits& limits);

// Downloads every package with an address into "\update\", writes the work
// list "\update\travail.ini" (a 200-byte record for each delivered package
// but the updater's) and backs up "\textures\CP\CP.ini" after the textures
// package. True when every download ran without a stop. When a package
// address cannot be split, nothing is fetched or written (no work list):
// false, with `badAddress` set.
bool InstallUpdates(const std::array<std::string, kComponentCount>& urls, const std::string& installFolder,
                    const ProxySettings& proxy, UpdateProgress& progress,
                    const InternetLimits& limits = InternetLimits());
