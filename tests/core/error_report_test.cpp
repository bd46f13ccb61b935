#include "core/error_report.h"
#include "core/errors.h"
#include "recording_messages.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Qt::StringLiterals;

TEST(ErrorReport, shows_the_error_text_and_reports_failure)
{
    RecordingMessages messages;
    EXPECT_TRUE(run_guarded(messages, [] {}));
    EXPECT_TRUE(messages.said.isEmpty());

    EXPECT_FALSE(run_guarded(messages, [] { throw FileError(u"Arquivo não encontrado: x.json"_s); }));
    EXPECT_FALSE(run_guarded(messages, [] { throw std::runtime_error("boom"); }));
    EXPECT_FALSE(run_guarded(messages, [] { throw 42; }));
    EXPECT_EQ(messages.said,
              (QStringList{u"error: Arquivo não encontrado: x.json"_s, u"error: Erro interno: boom"_s,
                           u"error: Erro interno desconhecido."_s}));
}
