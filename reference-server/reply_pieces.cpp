#include "reply_pieces.h"

std::shared_ptr<ReplyPieces> ReplyPieces::start(const Runner& run, Codec codec, Write write,
                                                FailWith fail_with)
{
    std::shared_ptr<ReplyPieces> pieces(new ReplyPieces(codec));
    // The task holds the object: a reader that goes away mid-reply leaves the writer to finish.
    run([pieces, write = std::move(write), fail_with = std::move(fail_with)] {
        std::optional<Failure> failure;
        try {
            write(*pieces);
            pieces->push({}, true);
        } catch (...) {
            failure = fail_with(std::current_exception());
        }
        pieces->end(std::move(failure));
    });
    return pieces;
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
    push(text, false);
    text.clear();
}

void ReplyPieces::push(std::string_view text, bool last)
{
    std::string piece;
    compressor_.compress(text, last, piece);
    std::function<void()> wake;
    {
        const std::lock_guard lock(mutex_);
        plain_ += text.size();
        if (piece.empty()) return;
        pieces_.push_back(std::move(piece));
        wake.swap(wake_);
    }
    if (wake) wake();
}

void ReplyPieces::end(std::optional<Failure> failure)
{
    std::function<void()> wake;
    {
        const std::lock_guard lock(mutex_);
        ended_ = true;
        // Pieces nobody has taken yet are dropped: the reply can still be the failure's own.
        if (failure && !taken_) pieces_.clear();
        failure_ = std::move(failure);
        wake.swap(wake_);
    }
    if (wake) wake();
}

ReplyPieces::Next ReplyPieces::next(std::string& piece, std::function<void()> wake)
{
    const std::lock_guard lock(mutex_);
    if (!pieces_.empty()) {
        piece = std::move(pieces_.front());
        pieces_.pop_front();
        taken_ = true;
        return Next::Piece;
    }
    if (ended_) return failure_ ? Next::Failed : Next::End;
    wake_ = std::move(wake);
    return Next::NotYet;
}

bool ReplyPieces::any_taken() const
{
    const std::lock_guard lock(mutex_);
    return taken_;
}

ReplyPieces::Failure ReplyPieces::failure() const
{
    const std::lock_guard lock(mutex_);
    return failure_.value_or(Failure{});
}

std::size_t ReplyPieces::plain_bytes() const
{
    const std::lock_guard lock(mutex_);
    return plain_;
}
