#include "exchange/line_batch_pipeline.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace {

// How fast the conversion share follows the balance: in steps of a sixteenth, from all
// to nothing in sixteen batches.
constexpr double kShareStep = 1.0 / 16;

}  // namespace

LineBatchPipeline::LineBatchPipeline(ReaderLineSource::BlockReader read, std::unique_ptr<char[]> firstBytes,
                                     std::size_t capacity, std::size_t filled, const BatchingPlan& plan)
    : ring_(std::max<std::size_t>(2, plan.BatchCount)),
      filler_(std::move(read), plan.BatchSize),
      firstFilled_(filled),
      firstShare_(std::clamp(plan.ConvertedShare, 0.0, 1.0)) {
  ring_[0].Bytes = std::move(firstBytes);
  ring_[0].Capacity = capacity;
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

bool LineBatchPipeline::FillOne(double convertedShare) {
  // Only the filling side changes filledCount_, so it is read here without the lock.
  filler_.Fill(ring_[filledCount_ % ring_.size()], convertedShare, std::exchange(firstFilled_, 0));
  return filler_.Finished();
}

void LineBatchPipeline::Produce() {
  double convertedShare = firstShare_;
  for (bool last = false; !last;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      // Whichever side waits for the other takes more of the number conversion: the
      // dispatch when it has no batch after the one in hand, this thread when the ring is
      // (nearly) full.
      const std::size_t pending = filledCount_ - doneCount_;
      if (pending <= 1) convertedShare = std::max(0.0, convertedShare - kShareStep);
      if (pending + 1 >= ring_.size()) convertedShare = std::min(1.0, convertedShare + kShareStep);
      // The batch to fill must not be the one the caller reads, nor one it has yet to read.
      changed_.wait(lock, [this] { return stop_ || filledCount_ - doneCount_ < ring_.size(); });
      if (stop_) return;
    }
    last = FillOne(convertedShare);
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      ++filledCount_;
      allFilled_ = last;
    }
    changed_.notify_all();
  }
}

const LineBatch* LineBatchPipeline::Next() {
  if (!thread_.joinable()) {
    if (holding_) ++doneCount_;
    holding_ = false;
    if (filledCount_ == doneCount_) {
      if (allFilled_) return nullptr;
      allFilled_ = FillOne(firstShare_);
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
  changed_.wait(lock, [this] { return filledCount_ > doneCount_ || allFilled_; });
  if (filledCount_ == doneCount_) return nullptr;
  holding_ = true;
  return &ring_[doneCount_ % ring_.size()];
}
