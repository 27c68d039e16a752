#pragma once
// The traffic service session: login on the weather client, logout on the traffic client, the
// user's credential and the connection lights.
#include "traffic/client.h"

#include <filesystem>
#include <optional>
#include <string>

namespace zyn {

// "license.txt" in the per-user data folder.
std::filesystem::path gf_licenseFile();
// The first line of the file, trimmed; nothing when the file is missing or that line is empty.
std::optional<std::string> gf_readServiceCredential(const std::filesystem::path& file);

// The status authenticate writes for a reply that refused nothing yet holds no session GUID.
inline constexpr std::int32_t kLoginWithoutSession = 200;

// Logs in; true for a session with a GUID. A refused login writes the service's status, a reply
// without a GUID kLoginWithoutSession.
bool authenticate(WeatherClient& client, const std::string& credential, std::int32_t& status);
// The login reply's body read into the client (GUID and periods); a body that is no JSON throws.
bool gf_readLoginReply(WeatherClient& client, const std::string& body, std::int32_t& status);
// Logs in once per session and hands the GUID to the traffic client. Throws
// zyn::UserErrorException when the user must act (no credential, refused, second session, no
// session opened) and std::runtime_error "No RT database connection" on status 500. A user error is
// shown in the status line first but not logged: its catcher logs it, once.
void gf_startSession();
// Logs out on a connection of its own, within a few seconds; call after both readers were told to stop.
void deauthenticate();

void gf_refreshConnectionState();
void gf_logConnected(const std::string& readerName);

} // namespace zyn
