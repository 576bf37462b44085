#pragma once
// Reading a large part on two parsers.
//
// Expat takes most of the time a worksheet takes to read, and one parser
// cannot be spread over two cores.  So the inflated XML is cut into pieces
// of whole rows (after a row's end tag; of whole items for the shared
// strings), and two parsers take the pieces in turn, each parser having
// first read the same head of the part.  Within a piece the events are the
// ones a single parser would deliver, as long as the piece leaves the parser
// as it found it, which the handler checks; what each piece found is then
// added in the order of the pieces.  Whatever the check, the XML or the
// package finds wrong, the part is read again with one parser, which decides
// what the reader returns or raises.
//
// A handler for this (TSheetHandler, TSharedStringsHandler) sends what it
// finds either to the target or to a list of the piece (SendTo), watches the
// parser for where its events end (Watch) and says whether the head and
// each piece ended where a piece may (TakeBase, BeginPiece, EndedPiece).
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "xls/ooxml/piece_cutter.h"
#include "xls/ooxml/xml_part.h"
#include "xls/ooxml/zip_package.h"

namespace tabrin::detail {

// Pieces waiting for the second parser, and pieces read but not yet added.
inline constexpr std::size_t kQueuedPieces = 2;
inline constexpr std::size_t kPiecesAhead = 8;

// Called on the second parser's thread for every piece it read, as it hands
// the piece over; null but in tests, which make it throw to see that a
// failure there reaches the reading thread.
inline void (*pieceReadHook)() = nullptr;

// The second parser, on a thread of its own: reads the head without keeping
// what it finds, then each piece it is given into a list (of cells, of
// texts).
template <class THandler, class TList>
class TPieceWorker {
 public:
  TPieceWorker(std::unique_ptr<THandler> handler, std::shared_ptr<const TPiece> head)
      : handlerOwned_(std::move(handler)), handler_(*handlerOwned_), stream_(handler_), head_(std::move(head)) {
    handler_.Watch(&stream_);
    thread_ = std::thread([this] { Run(); });
  }
  TPieceWorker(const TPieceWorker&) = delete;
  TPieceWorker& operator=(const TPieceWorker&) = delete;
  ~TPieceWorker() {
    {
      const std::lock_guard lock(mutex_);
      closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  std::mutex& Mutex() { return mutex_; }
  std::condition_variable& Changed() { return changed_; }
  // With the mutex held:
  bool Failed() const { return failed_; }
  bool CanTake() const { return jobs_.size() < kQueuedPieces; }
  bool Idle() const { return jobs_.empty() && !busy_; }
  void Give(std::size_t index, TPiece piece) { jobs_.push_back({index, std::move(piece)}); }
  // Cells of finished pieces, by piece number; the main thread adds its own.
  std::map<std::size_t, TList>& Finished() { return finished_; }

 private:
  struct TJob {
    std::size_t index = 0;
    TPiece piece;
  };

  // Whatever stops this thread, a piece that does not read as one or an
  // exception (memory for a piece's list, say), ends in Failed(): the
  // reading thread learns of it and reads the part with one parser.
  void Run() {
    bool ok = false;
    try {
      ok = ReadHead() && ReadJobs();
    } catch (...) {
      ok = false;
    }
    if (!ok) Fail();
  }

  // The head, without keeping what it holds: where the pieces begin.
  bool ReadHead() {
    handler_.SendTo(nullptr, nullptr);
    const bool ok =
        stream_.Parse(head_->bytes.data(), head_->bytes.size(), false) && handler_.TakeBase(stream_.BytesFed());
    head_.reset();
    return ok;
  }

  // The pieces given, until closing (true) or one fails (false).
  bool ReadJobs() {
    for (;;) {
      TJob job;
      if (!TakeJob(job)) return true;
      TList list;
      const bool ok = ReadPiece(job.piece, list);
      job.piece = {};
      if (!ok) return false;
      if (pieceReadHook != nullptr) pieceReadHook();
      HandOver(job.index, std::move(list));
    }
  }

  // Waits for the next piece; false when closing instead.
  bool TakeJob(TJob& job) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return closing_ || !jobs_.empty(); });
    if (closing_) return false;
    job = std::move(jobs_.front());
    jobs_.pop_front();
    busy_ = true;
    return true;
  }

  bool ReadPiece(const TPiece& piece, TList& list) {
    handler_.SendTo(nullptr, &list);
    handler_.BeginPiece();
    return stream_.Parse(piece.bytes.data(), piece.bytes.size(), false) && handler_.EndedPiece(stream_.BytesFed());
  }

  void HandOver(std::size_t index, TList list) {
    {
      const std::lock_guard lock(mutex_);
      finished_.emplace(index, std::move(list));
      busy_ = false;
    }
    changed_.notify_all();
  }

  void Fail() noexcept {
    {
      const std::lock_guard lock(mutex_);
      failed_ = true;
      busy_ = false;
    }
    changed_.notify_all();
  }

  std::unique_ptr<THandler> handlerOwned_;
  THandler& handler_;
  TXmlStream stream_;
  std::shared_ptr<const TPiece> head_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<TJob> jobs_;
  std::map<std::size_t, TList> finished_;
  bool busy_ = false;
  bool failed_ = false;
  bool closing_ = false;
  std::thread thread_;
};

// Reads a part in pieces on this thread and a second one.  The handler
// sends what it finds to target; second is a handler like it for the other
// parser.  False when the part has to be read with one parser after all:
// the parsers or the package found something wrong, or the pieces could not
// be told apart.
template <class THandler, class TList, class TTarget>
bool ReadInPieces(TPartReader& part, std::string_view endTag, THandler& handler,
                  std::unique_ptr<THandler> second, TTarget& target) {
  TPieceCutter cutter(part, endTag);
  TXmlStream stream(handler);
  handler.Watch(&stream);
  handler.SendTo(&target, nullptr);

  // The rest of the part on this parser alone, straight into the target.
  const auto readRest = [&](TPiece& piece) {
    for (;;) {
      if (!stream.Parse(piece.bytes.data(), piece.bytes.size(), piece.last)) return false;
      if (piece.last) return true;
      cutter.Next(piece);
    }
  };

  auto head = std::make_shared<TPiece>();
  cutter.Next(*head);
  if (head->last || !head->cut) return readRest(*head);
  if (!stream.Parse(head->bytes.data(), head->bytes.size(), false)) return false;
  TPiece piece;
  cutter.Next(piece);
  if (!handler.TakeBase(stream.BytesFed())) return readRest(piece);

  TPieceWorker<THandler, TList> worker(std::move(second), std::move(head));
  std::map<std::size_t, TList>& finished = worker.Finished();
  std::size_t nextToAdd = 1;  // the head's are in
  // Adds what the pieces whose turn it is found.  With the lock held.
  const auto addFinished = [&] {
    for (auto found = finished.find(nextToAdd); found != finished.end(); found = finished.find(nextToAdd)) {
      found->second.PlayInto(target);
      finished.erase(found);
      ++nextToAdd;
    }
  };
  for (std::size_t index = 1;; ++index) {
    std::unique_lock lock(worker.Mutex());
    if (!piece.cut || piece.last) {
      // The last piece, or one that could not be cut: the rest is read here
      // once every piece before it is in.
      worker.Changed().wait(lock, [&] { return worker.Failed() || worker.Idle(); });
      if (worker.Failed()) return false;
      addFinished();
      if (nextToAdd != index) return false;
      lock.unlock();
      handler.SendTo(&target, nullptr);
      handler.BeginPiece();
      return readRest(piece);
    }
    worker.Changed().wait(lock, [&] {
      addFinished();
      return worker.Failed() || index - nextToAdd < kPiecesAhead;
    });
    if (worker.Failed()) return false;
    if (worker.CanTake()) {
      worker.Give(index, std::move(piece));
      lock.unlock();
      worker.Changed().notify_all();
    } else {
      lock.unlock();
      TList found;
      handler.SendTo(nullptr, &found);
      handler.BeginPiece();
      if (!stream.Parse(piece.bytes.data(), piece.bytes.size(), false) || !handler.EndedPiece(stream.BytesFed())) {
        return false;
      }
      lock.lock();
      finished.emplace(index, std::move(found));
      addFinished();
      lock.unlock();
    }
    piece = {};
    cutter.Next(piece);
  }
}

}  // namespace tabrin::detail
