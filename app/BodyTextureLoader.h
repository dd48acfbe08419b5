#pragma once
// The bodies' pictures decoded off the main thread. A request lists the files
// to try in order (already resolved on the main thread); a worker reads and
// decodes them into the texture's levels in memory, and the main thread,
// which alone touches the drawing device, takes the finished ones and makes
// the textures. A slot released while its picture is on the way simply stops
// waiting: the decode is abandoned or its result dropped.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "PreparedTexture.h"

// One way of making a body texture.
struct BodyTextureAttempt {
  std::string path;  // resolved; empty when the file was not found
  HRESULT findResult = E_FAIL;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  bool normalMap = false;
  float amplitude = 0.0f;  // of the normal map
  int level = 2;           // the texture level whose size limit applies
};

struct BodyTextureRequest {
  std::vector<BodyTextureAttempt> attempts;  // until one makes a texture
  unsigned mipLevels = 1;
  // Two requests with the same key make the same texture.
  std::string Key() const;
};

struct BodyTextureOutcome {
  HRESULT result = E_FAIL;
  bool abandoned = false;  // stopped because nobody waited any more
  int oversizedLevel = 0;  // a picture over this level's limit ended the attempts
  nvd3dx::PreparedTexture texture;  // when result succeeded
};

// The largest picture side a texture level accepts.
UINT BodyTextureSizeLimit(int level);

// Runs the attempts in order: the first picture that decodes (or normal map
// that can be made) ends them, a picture larger than its level allows ends
// them too, as a failure. No device is involved: any thread may call it.
// `abandon`, when given and set, stops the work between steps.
void PrepareBodyTexture(const BodyTextureRequest& request, BodyTextureOutcome& outcome,
                        const std::atomic<bool>* abandon = nullptr);

using BodyTextureSlot = IDirect3DTexture9**;

class BodyTextureLoader {
 public:
  explicit BodyTextureLoader(unsigned workers);
  // Abandons the work in progress, drops the queue and joins the workers.
  ~BodyTextureLoader();
  BodyTextureLoader(const BodyTextureLoader&) = delete;
  BodyTextureLoader& operator=(const BodyTextureLoader&) = delete;

  // Main thread only, from here on.
  // The slot waits for the request's texture; a request equal to one on its
  // way (for another slot, or one that was given up) joins it.
  void Request(BodyTextureSlot slot, BodyTextureRequest request);
  bool IsPending(BodyTextureSlot slot) const;
  // The slot no longer waits.
  void Forget(BodyTextureSlot slot);
  void ForgetAll();
  // Slots waiting.
  int PendingCount() const;
  struct Finished {
    std::vector<BodyTextureSlot> waiting;
    BodyTextureOutcome outcome;
  };
  // One finished decode whose slots still wait; false when there is none.
  bool TakeFinished(Finished& finished);
  // Blocks until a decode has finished or nothing is on the way.
  void WaitForFinished();

 private:
  struct Job {
    BodyTextureRequest request;
    std::string key;
    std::vector<BodyTextureSlot> waiting;  // main thread only
    std::atomic<bool> abandoned{false};  // no slot waits: the worker may stop
    BodyTextureOutcome outcome;          // written by the worker before it is listed as done
  };
  void Run();
  void Queue(const std::shared_ptr<Job>& job);

  std::vector<std::shared_ptr<Job>> m_jobs;  // requested and not yet taken; main thread only
  mutable std::mutex m_mutex;
  std::condition_variable m_work, m_finished;
  std::deque<std::shared_ptr<Job>> m_queue;
  std::vector<std::shared_ptr<Job>> m_done;
  bool m_stop = false;
  std::vector<std::thread> m_workers;
};
