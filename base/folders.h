#pragma once
// Every file and folder name of the program. Relative names resolve against the program folder,
// which is the current folder of the process; the per-user data folder holds the settings and the
// flight plans.
#include <filesystem>
#include <string_view>

namespace zyn {

inline const std::filesystem::path g_docsPath{"docs"}; // its presence marks the program folder
inline const std::filesystem::path g_logPath{"Log.txt"};
inline const std::filesystem::path g_airportsPath{"airports"};
inline const std::filesystem::path g_mySimaddonPath{g_airportsPath / "my_simaddon"};
inline const std::filesystem::path g_myThirdpartyPath{g_airportsPath / "my_thirdparty"};
inline const std::filesystem::path g_learnedPath{g_airportsPath / "learned"};
inline const std::filesystem::path g_learnedStockPath{g_learnedPath / "stock"};
inline const std::filesystem::path g_learnedSimaddonPath{g_learnedPath / "simaddon"};
inline const std::filesystem::path g_learnedThirdpartyPath{g_learnedPath / "thirdparty"};
inline const std::filesystem::path g_myParkAirportsPath{g_airportsPath / "my_park_airports.txt"};
inline const std::filesystem::path g_inputPath{"input"};
inline const std::filesystem::path g_myRegcodesPath{g_inputPath / "my_regcodes"};
inline const std::filesystem::path g_outputPath{"output"};
inline const std::filesystem::path g_outputInfoPath{g_outputPath / "info"};
inline const std::filesystem::path g_outputErrorsPath{g_outputPath / "errors"};
inline const std::filesystem::path g_liveriesScannedPath{g_outputPath / "LiveriesScanned.xml"};
inline const std::filesystem::path g_tbloPath{"TBLO"};
inline const std::filesystem::path g_callsignObjectIdPath{"Callsign2ObjectId.txt"};
inline const std::filesystem::path g_versionJsonPath{"version.json"};
inline const std::filesystem::path g_newVersionInstallerPath{"install_new_version.exe"};
inline const std::filesystem::path g_simAddonZipPath{"my_simaddon2024.zip"};
inline const std::filesystem::path g_dbaseZipPath{"dbase.zip"};
inline const std::filesystem::path g_aigRegcodesZipPath{"AIG-regcodes.zip"};
// The installer archive of a program version: this, the version's text, ".zip".
inline constexpr std::string_view kInstallerZipStart = "setup_Tarvo_d_v";
// A server's airport file, fetched into the per-user data folder to be read.
inline const std::filesystem::path g_fetchedApfName{"park_airport.xml"};

// Names inside the simulator's packages folder.
inline constexpr std::string_view kCommunityName = "Community";
inline constexpr std::string_view kOfficialName = "Official";
inline constexpr std::string_view kOfficial2024Name = "Official2024";
inline constexpr std::string_view kFsBaseName = "fs-base";

inline constexpr std::string_view kProductName = "Tarvo";

// The known folders; an empty path (and an error line) when there is none.
std::filesystem::path gf_appDataPath();      // roaming application data
std::filesystem::path gf_localAppDataPath(); // local application data

// The per-user data folder (roaming application data / "Tarvo"), computed on first use; "Tarvo" in the
// program folder when there is no roaming folder.
std::filesystem::path gf_userDataPath();
std::filesystem::path gf_parametersXmlPath(); // "parameters.xml" in the per-user data folder
// Forgets the computed per-user data folder: the next call reads the environment again (tests).
void gf_resetUserDataPath();

} // namespace zyn
