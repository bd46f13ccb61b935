#include "reply_pieces.h"

#include <stdexcept>

std::shared_ptr<ReplyPieces> ReplyPieces::start(std::function<void(ReplyPieces&)> write,
                                                std::function<Failure(std::exception_ptr)> fail_with)
{
    std::shared_ptr<ReplyPieces> pieces(new ReplyPieces);
    // The thread holds a plain pointer: the destructor joins it before the object goes.
    ReplyPieces* self = pieces.get();
    pieces->writer_ = std::thread([self, write = std::move(write), fail_with = std::move(fail_with)] {
        std::optional<Failure> failure;
        try {
            write(*self);
        } catch (...) {
            failure = fail_with(std::current_exception());
        }
        self->end(std::move(failure));
    });
    return pieces;
}

std::shared_ptr<ReplyPieces> ReplyPieces::written(std::string body)
{
    std::shared_ptr<ReplyPieces> pieces(new ReplyPieces);
    pieces->hand_over(body);
    pieces->end(std::nullopt);
    return pieces;
}

ReplyPieces::~ReplyPieces()
{
    if (writer_.joinable()) writer_.join();
}

void ReplyPieces::hand_over_if_full(std::string& text)
{
    if (text.size() < kPieceBytes) return;
    hand_over(text);
    text.reserve(kPieceBytes + kPieceBytes / 4);
}

void ReplyPieces::hand_over(std::string& text)
{
    if (text.empty()) return;
    std::string piece = std::move(text);
    text.clear();
    {
        const std::lock_guard lock(mutex_);
        pieces_.push_back(std::move(piece));
        handed_any_ = true;
    }
    changed_.notify_all();
}

void ReplyPieces::end(std::optional<Failure> failure)
{
    {
        const std::lock_guard lock(mutex_);
        ended_ = true;
        failure_ = std::move(failure);
    }
    changed_.notify_all();
}

std::optional<ReplyPieces::Failure> ReplyPieces::failure_before_first_piece()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return ended_ || !pieces_.empty(); });
    if (!handed_any_ && failure_) return failure_;
    return std::nullopt;
}

bool ReplyPieces::next(std::string& piece)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return ended_ || !pieces_.empty(); });
    if (!pieces_.empty()) {
        piece = std::move(pieces_.front());
        pieces_.pop_front();
        return true;
    }
    if (failure_) throw std::runtime_error("a resposta falhou enquanto era escrita");
    return false;
}

std::optional<ReplyPieces::Failure> ReplyPieces::take_all(std::string& body)
{
    std::string piece;
    try {
        while (next(piece))
            body += piece;
    } catch (const std::runtime_error&) {
        body.clear();
        const std::lock_guard lock(mutex_);
        return failure_;
    }
    return std::nullopt;
}
