#pragma once
// Downloads of the comet, asteroid and satellite element files. A file is
// replaced only by a complete transfer that its reader takes at least one
// record from; the caller reloads the sky model only when a file changed.
#include <atomic>
#include <string>
#include <vector>

#include "Download.h"
#include "Endpoints.h"

enum class ElementKind { Comets, Asteroids, Satellites };

struct ElementFileSource {
  const char* path;          // request path on the server
  const char* designedFile;  // target under the install folder
};

// The files of a kind, in download order (asteroids: two files).
std::vector<ElementFileSource> ElementFileSources(ElementKind kind);

// At least one record of the kind's format in the file.
bool ElementFileReadable(ElementKind kind, const std::string& path);

struct ElementDownloadOutcome {
  bool replaced = false;         // at least one file holds new elements
  bool stopped = false;          // Stop or shutdown ended a transfer
  std::vector<DownloadResult> results;
  std::vector<DWORD> statuses;
  // The file that could not be made or saved, and why (empty when none).
  std::string unsavedFile;
  std::string saveProblem;
};

// Fetches every file of the kind from its host in `endpoints` into the
// install folder. progress.bytes runs on over the files; a failure of one
// asteroid file still fetches the next; Stop ends the whole kind.
ElementDownloadOutcome DownloadElementFiles(ElementKind kind, const std::string& installFolder,
                                            const Endpoints& endpoints, const ProxySettings& proxy,
                                            DownloadProgress& progress, const std::atomic<bool>* abort = nullptr,
                                            const InternetLimits& limits = InternetLimits());

// The step texts and messages of the element downloads.
// "The file ... could not be saved (why).": a download that reached the
// disk and could not be kept there, not a connection that failed.
std::string ElementSaveFailedMessage(const std::string& file, const std::string& problem);
extern const char* const kTextImpossibleToConnect;        // 1065
extern const char* const kTextErrorCaption;               // 1001
extern const char* const kTextNotConnected;               // 1085
extern const char* const kTextInitialisationConnection;   // 1068
const char* ElementRequestText(ElementKind kind);
const char* ElementDownloadText(ElementKind kind);
// The message when a complete answer held no record of the kind: the
// previous file is kept.
std::string ElementRejectedMessage(ElementKind kind);
// The success message after the reload, with the new count.
std::string ElementSuccessMessage(ElementKind kind, int count);
