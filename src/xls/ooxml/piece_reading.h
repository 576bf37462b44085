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
// The handlers for this are TPieceHandlers (piece_handler.h): the sheet's
// and the shared strings'.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "xls/ooxml/handover_hook.h"
#include "xls/ooxml/piece_cutter.h"
#include "xls/ooxml/xml_part.h"
#include "xls/ooxml/zip_package.h"

namespace tabrin::detail {

// Pieces waiting for the second parser, and pieces read but not yet added.
inline constexpr std::size_t kQueuedPieces = 2;
inline constexpr std::size_t kPiecesAhead = 8;

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
  // What finished pieces found, by piece number; the main thread adds its own.
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
// sends what it finds to the target; the worker's handler is one like it
// for the other parser.
template <class THandler, class TList, class TTarget>
class TPieceReading {
 public:
  TPieceReading(TPartReader& part, std::string_view endTag, THandler& handler, TTarget& target)
      : cutter_(part, endTag), stream_(handler), handler_(handler), target_(target) {
    handler_.Watch(&stream_);
    handler_.SendTo(&target_, nullptr);
  }

  // False when the part has to be read with one parser after all.
  bool Read(std::unique_ptr<THandler> second) {
    auto head = std::make_shared<TPiece>();
    cutter_.Next(*head);
    if (head->last || !head->cut) return ReadRest(*head);
    if (!stream_.Parse(head->bytes.data(), head->bytes.size(), false)) return false;
    TPiece piece;
    cutter_.Next(piece);
    if (!handler_.TakeBase(stream_.BytesFed())) return ReadRest(piece);
    TWorker worker(std::move(second), std::move(head));
    return ReadWith(worker, piece);
  }

 private:
  using TWorker = TPieceWorker<THandler, TList>;
  using TFinished = std::map<std::size_t, TList>;

  // The rest of the part on this parser alone, straight into the target.
  bool ReadRest(TPiece& piece) {
    for (;;) {
      if (!stream_.Parse(piece.bytes.data(), piece.bytes.size(), piece.last)) return false;
      if (piece.last) return true;
      cutter_.Next(piece);
    }
  }

  // The pieces after the head, from the one given on: to the worker while
  // it has room for them, otherwise read here.
  bool ReadWith(TWorker& worker, TPiece& piece) {
    for (std::size_t index = 1;; ++index) {
      if (!piece.cut || piece.last) return ReadLast(worker, index, piece);
      if (!AddFinishedUntil(worker, [&] { return index - nextToAdd_ < kPiecesAhead; })) return false;
      if (!Give(worker, index, piece) && !ReadHere(worker, index, piece)) return false;
      piece = {};
      cutter_.Next(piece);
    }
  }

  // The last piece, or one that could not be cut: the rest is read here
  // once every piece before it is in.
  bool ReadLast(TWorker& worker, std::size_t index, TPiece& piece) {
    if (!AddFinishedUntil(worker, [&] { return worker.Idle(); }) || nextToAdd_ != index) return false;
    handler_.SendTo(&target_, nullptr);
    handler_.BeginPiece();
    return ReadRest(piece);
  }

  // False, the piece left as it is, when the worker has enough queued.
  bool Give(TWorker& worker, std::size_t index, TPiece& piece) {
    {
      const std::lock_guard lock(worker.Mutex());
      if (!worker.CanTake()) return false;
      worker.Give(index, std::move(piece));
    }
    worker.Changed().notify_all();
    return true;
  }

  bool ReadHere(TWorker& worker, std::size_t index, const TPiece& piece) {
    TList found;
    handler_.SendTo(nullptr, &found);
    handler_.BeginPiece();
    if (!stream_.Parse(piece.bytes.data(), piece.bytes.size(), false) || !handler_.EndedPiece(stream_.BytesFed())) {
      return false;
    }
    {
      const std::lock_guard lock(worker.Mutex());
      worker.Finished().emplace(index, std::move(found));
    }
    return AddFinishedUntil(worker, [] { return true; });
  }

  // Adds what the pieces whose turn it is found, as they come in, until
  // done() holds (asked with the worker's lock held) and none is waiting.
  // The adding is done without the lock, which the worker needs to hand
  // over its next piece.  False when the worker failed.
  template <class TDone>
  bool AddFinishedUntil(TWorker& worker, TDone done) {
    for (;;) {
      TFinished turn;
      {
        std::unique_lock lock(worker.Mutex());
        worker.Changed().wait(lock, [&] { return worker.Failed() || HasTurn(worker) || done(); });
        if (worker.Failed()) return false;
        turn = TakeTurn(worker);
      }
      if (turn.empty()) return true;
      for (const auto& [index, found] : turn) found.PlayInto(target_);
    }
  }

  // With the worker's lock held:
  bool HasTurn(TWorker& worker) const { return worker.Finished().count(nextToAdd_) != 0; }
  // The finished pieces whose turn it is, taken out of the worker's hands
  // (their nodes move, nothing is allocated).
  TFinished TakeTurn(TWorker& worker) {
    TFinished turn;
    TFinished& finished = worker.Finished();
    for (auto found = finished.find(nextToAdd_); found != finished.end(); found = finished.find(nextToAdd_)) {
      turn.insert(finished.extract(found));
      ++nextToAdd_;
    }
    return turn;
  }

  TPieceCutter cutter_;
  TXmlStream stream_;
  THandler& handler_;
  TTarget& target_;
  std::size_t nextToAdd_ = 1;  // the head's are in
};

// The part read in pieces into the target (see TPieceReading).  False when
// it has to be read with one parser after all: the parsers or the package
// found something wrong, or the pieces could not be told apart.
template <class THandler, class TList, class TTarget>
bool ReadInPieces(TPartReader& part, std::string_view endTag, THandler& handler, std::unique_ptr<THandler> second,
                  TTarget& target) {
  return TPieceReading<THandler, TList, TTarget>(part, endTag, handler, target).Read(std::move(second));
}

}  // namespace tabrin::detail
