// The bodies' pictures decoded on worker threads (see BodyTextureLoader.h).
#include "BodyTextureLoader.h"

#include <algorithm>
#include <cstdio>

namespace {

bool Abandoned(const std::atomic<bool>* abandon) { return abandon && abandon->load(std::memory_order_relaxed); }

}  // namespace

std::string BodyTextureRequest::Key() const {
  std::string key = std::to_string(mipLevels);
  for (const BodyTextureAttempt& a : attempts) {
    char numbers[96];
    std::snprintf(numbers, sizeof(numbers), "|%d|%d|%d|%a|", static_cast<int>(a.format), a.normalMap ? 1 : 0, a.level,
                  static_cast<double>(a.amplitude));
    key += numbers;
    key += a.path;
  }
  return key;
}

UINT BodyTextureSizeLimit(int level) { return level == 1 ? 1024u : level == 2 ? 2048u : 4096u; }

void PrepareBodyTexture(const BodyTextureRequest& request, BodyTextureOutcome& outcome,
                        const std::atomic<bool>* abandon) {
  outcome = BodyTextureOutcome{};
  // Pure black is the colour key of every body picture.
  const D3DCOLOR key = D3DCOLOR_ARGB(255, 0, 0, 0);
  for (const BodyTextureAttempt& attempt : request.attempts) {
    if (Abandoned(abandon)) {
      outcome.abandoned = true;
      outcome.result = E_FAIL;
      return;
    }
    if (attempt.path.empty()) {
      outcome.result = attempt.findResult;
      continue;
    }
    nvd3dx::Image image;
    outcome.result = nvd3dx::LoadPicture(attempt.path.c_str(), image, abandon);
    if (FAILED(outcome.result)) continue;
    if (Abandoned(abandon)) {
      outcome.abandoned = true;
      outcome.result = E_FAIL;
      return;
    }
    if (attempt.normalMap) {
      outcome.result =
          nvd3dx::PrepareNormalMap(std::move(image), attempt.format, key, D3DX_CHANNEL_RED, attempt.amplitude,
                                   outcome.texture);
      if (SUCCEEDED(outcome.result)) return;
      continue;
    }
    const UINT limit = BodyTextureSizeLimit(attempt.level);
    if (image.width > limit || image.height > limit) {
      // A picture that loads but is too large ends the attempts.
      outcome.result = E_FAIL;
      outcome.oversizedLevel = attempt.level;
      return;
    }
    outcome.result = nvd3dx::PrepareTexture(std::move(image), 0, 0, request.mipLevels, 0, attempt.format,
                                            D3DX_FILTER_LINEAR, key, outcome.texture);
    if (SUCCEEDED(outcome.result)) return;
  }
  outcome.texture = nvd3dx::PreparedTexture{};
  if (SUCCEEDED(outcome.result)) outcome.result = E_FAIL;
}

BodyTextureLoader::BodyTextureLoader(unsigned workers) {
  workers = std::max(1u, workers);
  for (unsigned i = 0; i < workers; ++i) m_workers.emplace_back([this] { Run(); });
}

BodyTextureLoader::~BodyTextureLoader() {
  for (const std::shared_ptr<Job>& job : m_jobs) job->abandoned = true;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stop = true;
    m_queue.clear();
  }
  m_work.notify_all();
  for (std::thread& t : m_workers) t.join();
}

void BodyTextureLoader::Run() {
  for (;;) {
    std::shared_ptr<Job> job;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_work.wait(lock, [this] { return m_stop || !m_queue.empty(); });
      if (m_stop) return;
      job = std::move(m_queue.front());
      m_queue.pop_front();
    }
    PrepareBodyTexture(job->request, job->outcome, &job->abandoned);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_done.push_back(std::move(job));
    }
    m_finished.notify_all();
  }
}

void BodyTextureLoader::Queue(const std::shared_ptr<Job>& job) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back(job);
  }
  m_work.notify_one();
}

void BodyTextureLoader::Request(BodyTextureSlot slot, BodyTextureRequest request) {
  Forget(slot);
  std::string key = request.Key();
  for (const std::shared_ptr<Job>& job : m_jobs)
    if (job->key == key) {
      job->waiting.push_back(slot);
      job->abandoned = false;
      return;
    }
  auto job = std::make_shared<Job>();
  job->request = std::move(request);
  job->key = std::move(key);
  job->waiting.push_back(slot);
  m_jobs.push_back(job);
  Queue(job);
}

bool BodyTextureLoader::IsPending(BodyTextureSlot slot) const {
  for (const std::shared_ptr<Job>& job : m_jobs)
    if (std::find(job->waiting.begin(), job->waiting.end(), slot) != job->waiting.end()) return true;
  return false;
}

void BodyTextureLoader::Forget(BodyTextureSlot slot) {
  for (const std::shared_ptr<Job>& job : m_jobs) {
    auto& waiting = job->waiting;
    waiting.erase(std::remove(waiting.begin(), waiting.end(), slot), waiting.end());
    if (waiting.empty()) job->abandoned = true;
  }
}

void BodyTextureLoader::ForgetAll() {
  for (const std::shared_ptr<Job>& job : m_jobs) {
    job->waiting.clear();
    job->abandoned = true;
  }
}

int BodyTextureLoader::PendingCount() const {
  size_t n = 0;
  for (const std::shared_ptr<Job>& job : m_jobs) n += job->waiting.size();
  return static_cast<int>(n);
}

bool BodyTextureLoader::TakeFinished(Finished& finished) {
  for (;;) {
    std::shared_ptr<Job> job;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_done.empty()) return false;
      job = std::move(m_done.front());
      m_done.erase(m_done.begin());
    }
    if (job->waiting.empty()) {
      m_jobs.erase(std::remove(m_jobs.begin(), m_jobs.end(), job), m_jobs.end());
      continue;
    }
    if (job->outcome.abandoned) {
      // Given up, then asked for again before the worker saw it: once more.
      job->outcome = BodyTextureOutcome{};
      job->abandoned = false;
      Queue(job);
      continue;
    }
    m_jobs.erase(std::remove(m_jobs.begin(), m_jobs.end(), job), m_jobs.end());
    finished.waiting = std::move(job->waiting);
    finished.outcome = std::move(job->outcome);
    return true;
  }
}

void BodyTextureLoader::WaitForFinished() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_finished.wait(lock, [this] { return !m_done.empty() || m_jobs.empty(); });
}
