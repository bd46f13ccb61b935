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
    ServerProcess server({u"--exigir-assinatura"_s});
    ASSERT_TRUE(server.running());
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const auto sign = [](const char* key, qint64 time, const QByteArray& body = kBody) {
        return request_signature(QByteArray(key), time, body);
    };
    const QByteArray stranger =
        R"({"_parameters":[{"REQUISICAO":{"TABLE":"VALIDAR_HORA_ENVIO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste9"}}]})";
    const struct {
        const char* name;
        QByteArray signature;
        QByteArray body;
        int status;
        const char* error;
    } cases[] = {
        {"missing", QByteArray(), kBody, 401, "sem assinatura"},
        {"malformed", "agora:abc", kBody, 401, "mal formada"},
        {"wrong key", sign("47262", now), kBody, 401, "não confere"},
        {"other body", sign("47261", now, "{}"), kBody, 401, "não confere"},
        {"six minutes old", sign("47261", now - 360), kBody, 401, "fora do horário"},
        {"six minutes ahead", sign("47261", now + 360), kBody, 401, "fora do horário"},
        {"unknown salesperson", sign("47261", now, stranger), stranger, 401, "não pôde ser verificada"},
        {"four minutes old", sign("47261", now - 240), kBody, 200, ""},
        {"the same again", sign("47261", now - 240), kBody, 401, "repetida"},
        {"now", sign("47261", now), kBody, 200, ""},
        {"the key of salesperson 2 for salesperson 1", sign("58314", now + 1), kBody, 401, "não confere"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const HttpResult result = signed_call(server, c.signature, c.body);
        EXPECT_EQ(result.status, c.status) << result.body.toStdString();
        if (c.status == 200) {
            EXPECT_TRUE(reply_object(result).has_value());
        } else {
            EXPECT_NE(error_text(result).find(c.error), std::string::npos) << error_text(result);
            EXPECT_FALSE(result.body.contains("result"));
        }
    }
}

TEST(RequiredSignature, a_server_that_does_not_require_it_ignores_the_header)
{
    ServerProcess server;
    ASSERT_TRUE(server.running());
    for (const QByteArray& header : {QByteArray(), QByteArray("lixo"), request_signature("errada", 1, kBody)})
        EXPECT_EQ(signed_call(server, header).status, 200) << header.toStdString();
}
