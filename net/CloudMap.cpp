#include "CloudMap.h"

#include <cstdlib>
#include <vector>

#include "Image.h"
#include "InstallPath.h"

const char* const kTextCloudRequest = "Request real time clouds map... ";
const char* const kTextCloudDownload = "Download real time clouds map...";
const char* const kTextCloudSession = "Download real time clouds map...";

DownloadResult DownloadCloudMapFile(const std::string& installFolder, const Endpoints& endpoints,
                                    const ProxySettings& proxy, DownloadProgress& progress,
                                    const std::atomic<bool>* abort, const InternetLimits& limits,
                                    const std::function<int(int)>& pick) {
  std::vector<std::string> addresses;
  for (const std::string& url : endpoints.cloudMapUrl)
    if (!url.empty()) addresses.push_back(url);
  DownloadJob job;
  if (!addresses.empty()) {
    const int count = static_cast<int>(addresses.size());
    int index = pick ? pick(count) : std::rand() % count;
    if (index < 0 || index >= count) index = 0;
    job.url = addresses[static_cast<size_t>(index)];
  }
  job.target = ResolveInstallPath(installFolder, "\\textures\\nuagestr.jpg");
  job.limits = limits;
  job.abort = abort;
  job.requestLabel = kTextCloudRequest;
  job.downloadLabel = kTextCloudDownload;
  job.accept = [](const std::string& path) {
    CImage image;
    return image.Load(path.c_str()) && image.GetFormat() == CImage::kFormatJpeg;
  };
  return DownloadFile(job, proxy, progress);
}
