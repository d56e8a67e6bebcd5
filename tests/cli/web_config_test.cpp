// The metrics endpoint's web configuration and the credentials of a request.
#include <gtest/gtest.h>

#include "cli/web_config.h"

namespace zephyra::cli {
namespace {

const std::string kHash = "$2y$10$X0h1gDsPszWURQaxFh.zoubFi6DXncSjhoQNJgRrnGs7EsimhC7zG";

TEST(WebConfig, TheExportersLayoutIsReadAndAnythingElseRefusedByLine) {
    std::string error;
    const auto config = ParseWebConfig("---\n# from the exporter's docs\ntls_server_config:\n"
                                       "  cert_file: \"/etc/zephyra/tls/server.crt\"  # chain\n"
                                       "  key_file: 'server.key'\n\nbasic_auth_users:\n  prometheus: " +
                                           kHash + "\n  'grafana agent': \"" + kHash + "\"\r\n",
                                       &error);
    ASSERT_TRUE(config) << error;
    EXPECT_TRUE(config->Tls());
    EXPECT_EQ(config->CertFile, "/etc/zephyra/tls/server.crt");
    EXPECT_EQ(config->KeyFile, "server.key");
    ASSERT_EQ(config->Users.size(), 2u);
    EXPECT_EQ(config->Users[1].first, "grafana agent");
    EXPECT_EQ(config->Users[1].second, kHash);

    const auto authOnly = ParseWebConfig("basic_auth_users:\n    a: " + kHash + "\n", &error);
    ASSERT_TRUE(authOnly) << error;
    EXPECT_FALSE(authOnly->Tls());
    EXPECT_TRUE(ParseWebConfig("", &error)) << "an empty file changes nothing, as with other exporters";

    const struct {
        std::string text, message;
    } refused[] = {
        {"tls_server_config:\n  cert_file: a\n  key_file: b\n  min_version: TLS13\n",
         "line 4: tls_server_config: min_version is not understood"},
        {"http_server_config:\n  http2: false\n", "line 1: http_server_config is not understood"},
        {"tls_server_config:\n  cert_file: a\n", "needs both cert_file and key_file"},
        {"basic_auth_users:\n  alice: secret\n", "line 2: the password of alice is not a bcrypt hash"},
        {"basic_auth_users:\n  alice: $1$abc$0123456789\n", "is not a bcrypt hash"},
        {"basic_auth_users:\n  a: " + kHash + "\n  a: " + kHash + "\n", "line 3: a is given twice"},
        {"basic_auth_users: {alice: x}\n", "line 1: basic_auth_users: only plain or quoted values"},
        {"tls_server_config:\n  cert_file: a\n    key_file: b\n", "line 3: only 'key: value' lines"},
        {"tls_server_config:\n\tcert_file: a\n", "line 2: a tab cannot indent"},
        {"basic_auth_users:\n  - alice\n", "line 2: a list is not expected here"},
        {"tls_server_config: yes\n", "is a section"},
        {"  cert_file: a\n", "line 1: indented without a section"},
        {"tls_server_config:\n  cert_file: \"a\n", "line 2: cert_file: the quoted value does not end well"},
        {"just words\n", "line 1: expected 'key: value'"},
    };
    for (const auto &c : refused) {
        error.clear();
        EXPECT_FALSE(ParseWebConfig(c.text, &error)) << c.text;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.text << " -> " << error;
    }
}

TEST(WebConfig, BasicCredentialsAreTakenFromTheAuthorizationHeaderOnly) {
    // "prom:se:cret" and "prom:" in base64: the password may hold a colon, or be empty.
    const auto c = HttpBasicCredentials("GET /metrics HTTP/1.1\r\nHost: x\r\n"
                                        "authorization:  basic cHJvbTpzZTpjcmV0\r\n\r\n");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->User, "prom");
    EXPECT_EQ(c->Password, "se:cret");
    EXPECT_EQ(HttpBasicCredentials("GET / HTTP/1.0\nAuthorization: Basic cHJvbTo=\n\n")->Password, "");
    for (const char *head : {
             "GET / HTTP/1.1\r\nHost: x\r\n\r\n",
             "GET / HTTP/1.1\r\nAuthorization: Bearer cHJvbTpzZWNyZXQ=\r\n\r\n",
             "GET / HTTP/1.1\r\nAuthorization: Basic cHJvbTpzZWNyZXQ\r\n\r\n", // cut short
             "GET / HTTP/1.1\r\nAuthorization: Basic cHJv*TpzZWNyZXQ=\r\n\r\n",
             "GET / HTTP/1.1\r\nAuthorization: Basic cHJvbQ==\r\n\r\n",             // no colon
             "GET / HTTP/1.1\r\n\r\nAuthorization: Basic cHJvbTpzZWNyZXQ=\r\n\r\n", // after the head
         })
        EXPECT_FALSE(HttpBasicCredentials(head)) << head;
    EXPECT_TRUE(SameSecret(kHash, kHash));
    EXPECT_FALSE(SameSecret(kHash, kHash.substr(0, 59) + "X"));
    EXPECT_FALSE(SameSecret(kHash, kHash.substr(0, 59)));
}

} // namespace
} // namespace zephyra::cli
