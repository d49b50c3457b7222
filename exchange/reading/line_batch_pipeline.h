#pragma once
// Reading a large exchange file in two stages: a reading thread fills a small ring of line
// batches (LineBatchFiller) while the calling thread dispatches the batches already filled.
// Batches, not single lines, change hands, so the threads meet a few hundred times for a
// file of millions of lines. Without a thread (none can be started, or the plan says so)
// the calling thread fills each batch itself when it needs it, with the same results.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

#include "exchange/reading/line_batch.h"
#include "exchange/reading/reader_plan.h"

class LineBatchPipeline {
 public:
  // Goes on from a first read the caller made: `filled` bytes in `firstBytes`, a buffer
  // that becomes the first batch's.
  LineBatchPipeline(ReaderLineSource::BlockReader read, PaddedBuffer firstBytes, std::size_t filled,
                    const BatchingPlan& plan);
  // Stops the reading thread, wherever it is, and waits for it.
  ~LineBatchPipeline();
  LineBatchPipeline(const LineBatchPipeline&) = delete;
  LineBatchPipeline& operator=(const LineBatchPipeline&) = delete;

  // The next batch in file order, valid until the next call; nullptr after the last one.
  const LineBatch* Next();

  // After the last batch: true when the file was read to its end or to a Ctrl-Z line.
  bool ReadToEnd() const { return filler_.ReadToEnd(); }

 private:
  // The reading thread: fills batches while there is room in the ring.
  void Produce();
  // Fills the batch after the last one filled; true when it was the last.
  bool FillOne(const std::atomic<bool>* handOver);
  // The caller's wait for the batch after those it is through with, under the lock.
  void AwaitBatch(std::unique_lock<std::mutex>& lock);

  std::vector<LineBatch> ring_;
  LineBatchFiller filler_;
  std::size_t firstFilled_;
  double share_;
  bool waitActively_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t filledCount_ = 0;  // batches filled so far
  std::size_t doneCount_ = 0;    // batches the caller is through with
  bool holding_ = false;         // the caller reads batch doneCount_
  bool allFilled_ = false;
  bool stop_ = false;
  std::atomic<bool> dispatchWaits_{false};   // the caller waits for the next batch
  std::atomic<std::size_t> filledSoFar_{0};  // filledCount_, for a look without the lock
  std::thread thread_;
};
