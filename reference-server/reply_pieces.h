#pragma once

#include "reply_compression.h"

#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

// A reply written by a worker, piece by piece, while the connection sends the pieces already
// written: a catalogue's first bytes leave long before its last row is read. The writer compresses
// each piece as it hands it over and never waits for the reader, so a slow link holds no database
// connection open and only the compressed reply in memory.
class ReplyPieces {
public:
    // Pieces are handed over once they hold about this many bytes.
    static constexpr std::size_t kPieceBytes = 256 * 1024;

    // What a writer that fails answers instead of the reply, and the cause, for the log only.
    struct Failure {
        int status;
        std::string body;
        std::string cause;
    };
    using Write = std::function<void(ReplyPieces&)>;
    using FailWith = std::function<Failure(std::exception_ptr)>;
    // Runs a task on a worker thread.
    using Runner = std::function<void(std::function<void()>)>;

    // Runs write through run; write puts its pieces through the object it is given. A write that
    // throws ends the reply with the failure that fail_with makes of its exception.
    static std::shared_ptr<ReplyPieces> start(const Runner& run, Codec codec, Write write,
                                              FailWith fail_with);

    // Writer's side: hands text over once it has grown to a piece, leaving it empty.
    void hand_over_if_full(std::string& text);
    void hand_over(std::string& text);

    // Reader's side, which never blocks. NotYet: nothing new; wake is called once, from the writer's
    // thread, when there is.
    enum class Next { Piece, End, Failed, NotYet };
    Next next(std::string& piece, std::function<void()> wake);
    // Whether a piece has been taken: after that, a failure can only cut the reply.
    bool any_taken() const;
    // The failure, once next() has said Failed.
    Failure failure() const;
    // The bytes written before compression, for the log.
    std::size_t plain_bytes() const;

private:
    explicit ReplyPieces(Codec codec) : compressor_(codec) {}
    void push(std::string_view text, bool last);
    void end(std::optional<Failure> failure);

    StreamCompressor compressor_; // the writer's alone
    mutable std::mutex mutex_;
    std::deque<std::string> pieces_;
    bool ended_ = false;
    bool taken_ = false;
    std::size_t plain_ = 0;
    std::optional<Failure> failure_;
    std::function<void()> wake_;
};
