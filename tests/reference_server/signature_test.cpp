#include "guess_throttle.h"
#include "server/request_signature.h"
#include "server_calls.h"
#include "server_process.h"
#include "signature.h"

#include <QDateTime>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kBody =
    R"({"_parameters":[{"REQUISICAO":{"TABLE":"VALIDAR_HORA_ENVIO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1"}}]})";

HttpResult signed_call(const ServerProcess& server, const QByteArray& signature,
                       const QByteArray& body = kBody)
{
    Headers headers;
    if (!signature.isNull()) headers.emplace_back("X-Pedidos-Assinatura", signature);
    return call(server.url(u"getDados_OnLine"_s), body, "POST", headers);
}

} // namespace

TEST(RequestSignature, client_and_server_sign_alike_and_match_a_vector_made_by_openssl)
{
    // printf '1700000000\n{"a":1}' | openssl dgst -sha256 -hmac 47261
    const std::string expected =
        "1700000000:a53ca02ba590ae189fdb0c6851c7e7fb80605e143d206788312a442319da6397";
    EXPECT_EQ(request_signature(std::string_view("47261"), 1700000000, std::string_view(R"({"a":1})")),
              expected);
    EXPECT_EQ(request_signature(QByteArray("47261"), 1700000000, R"({"a":1})").toStdString(), expected);
}

TEST(RequestSignature, the_same_body_twice_in_one_second_is_signed_twice_differently)
{
    RequestSigner signer;
    const QByteArray first = signer.sign("47261", kBody, 1000);
    const QByteArray again = signer.sign("47261", kBody, 1000);
    const QByteArray other = signer.sign("47261", "{}", 1000);
    EXPECT_TRUE(first.startsWith("1000:"));
    EXPECT_TRUE(again.startsWith("1001:")) << again.toStdString();
    EXPECT_TRUE(other.startsWith("1000:"));
    // Once its second has passed, a time may serve again.
    EXPECT_TRUE(signer.sign("47261", kBody, 1002).startsWith("1002:"));
}

TEST(RequiredSignature, only_a_fresh_signature_under_the_salespersons_key_is_answered)
{
    ServerProcess server({u"--exigir-assinatura"_s, u"--permitir-http"_s});
    ASSERT_TRUE(server.running());
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const auto sign = [](const char* key, qint64 time, const QByteArray& body = kBody) {
        return request_signature(QByteArray(key), time, body);
    };
    const QByteArray stranger =
        R"({"_parameters":[{"REQUISICAO":{"TABLE":"VALIDAR_HORA_ENVIO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste9"}}]})";
    // The envelope must open the body: the pairs are read before anything is parsed.
    const QByteArray reordered =
        R"({"_parameters":[{"REQUISICAO":{"TABLE":"VALIDAR_HORA_ENVIO","CHAVE_VENDEDOR":"Teste1","EMPRESA":"Teste"}}]})";
    const QByteArray buried =
        R"({"x":1,"_parameters":[{"REQUISICAO":{"EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1"}}]})";
    // Escapes in the pairs read as the parser reads them.
    const QByteArray escaped =
        R"({"_parameters":[{"REQUISICAO":{"TABLE":"VALIDAR_HORA_ENVIO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1"}}]})";
    const struct {
        const char* name;
        QByteArray signature;
        QByteArray body;
        int status;
    } cases[] = {
        {"missing", QByteArray(), kBody, 401},
        {"malformed", "agora:abc", kBody, 401},
        {"wrong key", sign("47262", now), kBody, 401},
        {"other body", sign("47261", now, "{}"), kBody, 401},
        {"six minutes old", sign("47261", now - 360), kBody, 401},
        {"six minutes ahead", sign("47261", now + 360), kBody, 401},
        {"unknown salesperson", sign("47261", now, stranger), stranger, 401},
        {"envelope not first", sign("47261", now, buried), buried, 401},
        {"four minutes old", sign("47261", now - 240), kBody, 200},
        {"pairs in another order", sign("47261", now, reordered), reordered, 200},
        {"escaped pairs", sign("47261", now + 2, escaped), escaped, 200},
        {"now", sign("47261", now), kBody, 200},
        {"the key of salesperson 2 for salesperson 1", sign("58314", now + 1), kBody, 401},
    };
    QByteArray refusal;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const HttpResult result = signed_call(server, c.signature, c.body);
        EXPECT_EQ(result.status, c.status) << result.body.toStdString();
        if (c.status == 200) {
            EXPECT_TRUE(reply_object(result).has_value());
            continue;
        }
        // One answer for every refusal, whatever its cause: nothing to learn from it.
        if (refusal.isEmpty()) refusal = result.body;
        EXPECT_EQ(result.body, refusal);
        EXPECT_NE(error_text(result).find("chave do vendedor"), std::string::npos) << error_text(result);
    }
    // Only a signature that verified can be told it was used before.
    const HttpResult again = signed_call(server, sign("47261", now - 240));
    EXPECT_EQ(again.status, 401);
    EXPECT_NE(error_text(again).find("repetida"), std::string::npos) << error_text(again);
}

TEST(RequiredSignature, guesses_are_slowed_down_for_the_salesperson_and_the_address)
{
    ServerProcess server({u"--exigir-assinatura"_s, u"--permitir-http"_s});
    ASSERT_TRUE(server.running());
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const auto sign = [&](const QByteArray& key) { return request_signature(key, now, kBody); };
    for (int i = 0; i < GuessThrottle::kFreeFailures; ++i)
        EXPECT_EQ(signed_call(server, sign("1000" + QByteArray::number(i))).status, 401);
    // The next wrong one is still checked, and from then on every try waits first, the right key too.
    EXPECT_EQ(signed_call(server, sign("99999")).status, 401);
    const HttpResult waiting = signed_call(server, sign("47261"));
    EXPECT_EQ(waiting.status, 429);
    // Two seconds, or one if the clock's second turned meanwhile.
    const QByteArray retry = header_of(waiting, "Retry-After");
    EXPECT_TRUE(retry == "2" || retry == "1") << retry.toStdString();
    EXPECT_NE(error_text(waiting).find("tente de novo em " + retry.toStdString() + " segundos"),
              std::string::npos)
        << error_text(waiting);
}

TEST(RequiredSignature, a_server_that_does_not_require_it_ignores_the_header)
{
    ServerProcess server;
    ASSERT_TRUE(server.running());
    for (const QByteArray& header : {QByteArray(), QByteArray("lixo"), request_signature("errada", 1, kBody)})
        EXPECT_EQ(signed_call(server, header).status, 200) << header.toStdString();
}

TEST(GuessThrottle, waits_double_after_the_free_failures_up_to_the_cap_and_a_right_key_starts_over)
{
    GuessThrottle throttle;
    const std::int64_t t0 = 1'000'000;
    std::int64_t now = t0;
    for (int i = 0; i < GuessThrottle::kFreeFailures; ++i)
        EXPECT_EQ(throttle.try_guess("10.0.0.1", "Teste\nTeste1", now), 0);
    // Then 2, 4, 8 ... seconds, up to the cap.
    std::int64_t expected = 2;
    for (int i = 0; i < 14; ++i) {
        // The try that is let through counts at once: the next, however soon, waits.
        EXPECT_EQ(throttle.try_guess("10.0.0.1", "Teste\nTeste1", now), 0) << i;
        EXPECT_EQ(throttle.try_guess("10.0.0.1", "Teste\nTeste1", now), expected) << i;
        // Counted apart: another address for the same salesperson waits as long, and so does the
        // same address for anyone; someone else elsewhere does not.
        EXPECT_EQ(throttle.try_guess("10.0.0.2", "Teste\nTeste1", now), expected);
        EXPECT_EQ(throttle.try_guess("10.0.0.1", "Teste\nTeste2", now), expected);
        now += expected;
        expected = std::min(2 * expected, GuessThrottle::kMaxWait);
    }
    EXPECT_EQ(throttle.try_guess("10.0.0.3", "Teste\nTeste3", now), 0);
    // An hour without a wrong one forgets them.
    now += GuessThrottle::kForgetAfter + 1;
    EXPECT_EQ(throttle.try_guess("10.0.0.1", "Teste\nTeste1", now), 0);
    EXPECT_EQ(throttle.try_guess("10.0.0.1", "Teste\nTeste1", now), 0);
    // So does a right one.
    int let_through = 0;
    while (throttle.try_guess("10.0.0.1", "Teste\nTeste1", now) == 0)
        ++let_through;
    EXPECT_EQ(let_through, GuessThrottle::kFreeFailures - 1);
    throttle.succeeded("10.0.0.1", "Teste\nTeste1");
    EXPECT_EQ(throttle.try_guess("10.0.0.1", "Teste\nTeste1", now), 0);
}
