#include "exchange/reading/line_batch_pipeline.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <utility>

namespace {

// How long the dispatch keeps looking for the batch it waits for before it sleeps. The
// reading thread hands a batch over as soon as it sees the wait, so the batch usually comes
// within this. Waking a sleeping thread took 50 to 100 microseconds on a virtual machine,
// and with a large file the dispatch waits for many of its batches.
constexpr auto kActiveWait = std::chrono::microseconds(200);

}  // namespace

LineBatchPipeline::LineBatchPipeline(ReaderLineSource::BlockReader read, PaddedBuffer firstBytes,
                                     std::size_t filled, const BatchingPlan& plan)
    : ring_(std::max<std::size_t>(2, plan.BatchCount)),
      filler_(std::move(read), plan.BatchSize),
      firstFilled_(filled),
      share_(std::clamp(plan.ConvertedShare, 0.0, 1.0)),
      // With a single processor the reading thread could not run while the dispatch looks.
      waitActively_(std::thread::hardware_concurrency() > 1) {
  ring_[0].Bytes = std::move(firstBytes);
  if (!plan.Threaded) return;
  try {
    thread_ = std::thread([this] { Produce(); });
  } catch (const std::exception&) {
    // No thread to be had: Next fills the batches itself.
  }
}

LineBatchPipeline::~LineBatchPipeline() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

bool LineBatchPipeline::FillOne(const std::atomic<bool>* handOver) {
  // Only the filling side changes filledCount_, so it is read here without the lock.
  filler_.Fill(ring_[filledCount_ % ring_.size()], share_, std::exchange(firstFilled_, 0),
               handOver);
  return filler_.Finished();
}

void LineBatchPipeline::Produce() {
  for (bool last = false; !last;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      // The batch to fill must not be the one the caller reads, nor one it has yet to read.
      changed_.wait(lock, [this] { return stop_ || filledCount_ - doneCount_ < ring_.size(); });
      if (stop_) return;
    }
    // The number conversion is the work the two threads share: this thread converts the
    // batch's lines until the dispatch waits for it, and the dispatch converts the rest.
    last = FillOne(&dispatchWaits_);
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      ++filledCount_;
      allFilled_ = last;
    }
    filledSoFar_.store(filledCount_, std::memory_order_release);
    changed_.notify_all();
  }
}

void LineBatchPipeline::AwaitBatch(std::unique_lock<std::mutex>& lock) {
  if (filledCount_ > doneCount_ || allFilled_) return;
  dispatchWaits_.store(true, std::memory_order_relaxed);
  if (waitActively_) {
    lock.unlock();
    const auto until = std::chrono::steady_clock::now() + kActiveWait;
    while (filledSoFar_.load(std::memory_order_acquire) <= doneCount_ &&
           std::chrono::steady_clock::now() < until) {
      std::this_thread::yield();
    }
    lock.lock();
  }
  changed_.wait(lock, [this] { return filledCount_ > doneCount_ || allFilled_; });
  dispatchWaits_.store(false, std::memory_order_relaxed);
}

const LineBatch* LineBatchPipeline::Next() {
  if (!thread_.joinable()) {
    if (holding_) ++doneCount_;
    holding_ = false;
    if (filledCount_ == doneCount_) {
      if (allFilled_) return nullptr;
      allFilled_ = FillOne(nullptr);
      ++filledCount_;
    }
    holding_ = true;
    return &ring_[doneCount_ % ring_.size()];
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (holding_) {
    ++doneCount_;
    holding_ = false;
    changed_.notify_all();
  }
  AwaitBatch(lock);
  if (filledCount_ == doneCount_) return nullptr;
  holding_ = true;
  return &ring_[doneCount_ % ring_.size()];
}
