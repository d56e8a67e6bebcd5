// The metrics endpoint's web configuration, in the YAML layout Prometheus exporters share:
// tls_server_config (cert_file, key_file) and basic_auth_users (user: bcrypt hash). Only that much is
// understood; anything else in the file is refused rather than quietly left out. No Qt.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zephyra::cli {

struct WebConfig {
    std::string CertFile, KeyFile; // both or neither; relative to the file's folder as given
    std::vector<std::pair<std::string, std::string>> Users; // name, bcrypt hash
    bool Tls() const { return !CertFile.empty(); }
};

// nullopt and *error ("line 4: ...") when the text is not such a file.
std::optional<WebConfig> ParseWebConfig(std::string_view yaml, std::string *error);

// The user and password of an "Authorization: Basic ..." header of a request head; nullopt when there is
// none or it does not decode.
struct BasicCredentials {
    std::string User, Password;
};
std::optional<BasicCredentials> HttpBasicCredentials(std::string_view head);

// Equal texts, in a time that does not depend on where they differ.
bool SameSecret(std::string_view a, std::string_view b);

} // namespace zephyra::cli
