#pragma once
// The real-time cloud map: a JPEG of the whole Earth's clouds stored as the
// cloud texture "\textures\nuagestr.jpg", replaced only by a complete reply
// that decodes as a picture.
#include <atomic>
#include <functional>

#include "Download.h"
#include "Endpoints.h"

// Picks one of the configured addresses (empty ones skipped) with `pick`
// (given the count, returns an index); BadUrl when none is configured.
DownloadResult DownloadCloudMapFile(const std::string& installFolder, const Endpoints& endpoints,
                                    const ProxySettings& proxy, DownloadProgress& progress,
                                    const std::atomic<bool>* abort = nullptr,
                                    const InternetLimits& limits = InternetLimits(),
                                    const std::function<int(int)>& pick = nullptr);

extern const char* const kTextCloudRequest;    // 1083
extern const char* const kTextCloudDownload;   // 1084
extern const char* const kTextCloudSession;    // 1086
