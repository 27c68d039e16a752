#pragma once
// Airport data tests: a program folder as the current folder with its log open and the download
// stand-in at TARVO_DOWNLOAD_URL (test::DownloadFixture), a park airport set, no stands, no
// remembered probes, and the per-airport settings put back afterwards. Builders of stands, options
// and parking files.
#include "airport/apf_read.h"
#include "airport/park_pos.h"
#include "tests/support/download_fixture.h"
#include "tests/support/scoped_env.h"
#include "tests/support/user_folders.h"
#include "tools/airport_gen.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace zyn::test {

std::uint64_t slotBits(std::initializer_list<int> slots);
ParkPosOption makeOption(std::string reg, std::string airline, std::string type, std::int32_t day,
                         std::initializer_list<int> slots, bool real = true);
// Options numbered 1.. in order.
ParkPos makeStand(std::string id, double lat, double lon, double radiusMetres, std::vector<ParkPosOption> options = {});

// A parking file's parameters as a stock file has them.
tools::Attributes stockParameters(std::string airportName = "Test field", std::string publisher = "stock",
                                  std::string altitude = "1400");
// A full "parkpos" with the given extra attributes after id, latitude, longitude, heading and radius.
tools::ParkposSpec fullStand(std::string id, double lat, double lon, tools::Attributes extra = {},
                             std::vector<tools::Attributes> options = {});

class AirportFixture : public DownloadFixture {
protected:
    AirportFixture();
    ~AirportFixture() override;
    // A log line that holds the text.
    bool logContains(std::string_view text) const;
    // A parking file in the program folder (relative path) or on the server (below "downloads/").
    void writeApf(const std::filesystem::path& path, const tools::ApfSpec& spec) const;
    void serveApf(const std::string& path, const tools::ApfSpec& spec);

    static constexpr char kCode[] = "EDDT";
    ScopedUserFolders userFolders{programDir / "roaming"}; // the per-user data folder
    ApfFileInfo info;
    std::uint64_t quality = 0;
    std::vector<ParkPos> stands;

private:
    std::vector<std::int32_t> m_savedInts;
    std::vector<std::uint8_t> m_savedBools;
};

} // namespace zyn::test
