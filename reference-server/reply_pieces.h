#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// A reply written on a thread of its own, piece by piece, while the connection's thread compresses
// and sends the pieces already written: a catalogue's first bytes leave long before its last row is
// read. The writer never waits for the reader, so a slow link holds no database connection open.
class ReplyPieces {
public:
    // Pieces are handed over once they hold about this many bytes.
    static constexpr std::size_t kPieceBytes = 256 * 1024;

    // What a writer that fails answers instead of the reply.
    struct Failure {
        int status;
        std::string body;
    };

    // Runs write on a new thread; write puts its pieces through the object it is given. A write that
    // throws ends the reply with the failure that fail_with makes of its exception.
    static std::shared_ptr<ReplyPieces> start(std::function<void(ReplyPieces&)> write,
                                              std::function<Failure(std::exception_ptr)> fail_with);
    // A reply written already, as one piece.
    static std::shared_ptr<ReplyPieces> written(std::string body);
    ~ReplyPieces();
    ReplyPieces(const ReplyPieces&) = delete;
    ReplyPieces& operator=(const ReplyPieces&) = delete;

    // Writer's side: hands text over once it has grown to a piece, leaving it empty.
    void hand_over_if_full(std::string& text);
    void hand_over(std::string& text);

    // Reader's side. Waits for the first piece or the end: the failure when the writer failed before
    // handing anything over, so that it can still be answered with its own status.
    std::optional<Failure> failure_before_first_piece();
    // Waits for the next piece; false at the end. A failure after the first piece raises, since the
    // reply's status has gone out by then.
    bool next(std::string& piece);
    // The whole reply, or the failure.
    std::optional<Failure> take_all(std::string& body);

private:
    ReplyPieces() = default;
    void end(std::optional<Failure> failure);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> pieces_;
    bool ended_ = false;
    bool handed_any_ = false;
    std::optional<Failure> failure_;
    std::thread writer_;
};
