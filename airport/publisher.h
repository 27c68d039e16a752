#pragma once
// Who published an add-on airport: from its package path when the aircraft database knows the
// pattern, else from the package's "manifest.json" ("manufacturer", then "creator"). Each step is
// reported in the scan log. Any thread; no state of its own.
#include <filesystem>
#include <string>
#include <string_view>

namespace zyn {

struct ManifestInfo {
    std::string manufacturer;
    std::string creator;
    std::string title;
    bool valid = false; // read, and its content is a JSON object
};

struct PublisherInfo {
    std::string publisher; // a database publisher, "simaddon" or "unknown"
    std::string manufacturer;
    std::string creator;
    std::string title;
};

// The manifest of the package that holds the path: the package folder right below "Community"
// first, then each folder from the root downward, passing over one whose manifest is no JSON object.
// Errors (a manifest that is no JSON, a key of the wrong type) are reported and end the search as
// "not valid".
ManifestInfo lf_searchManifest(std::string_view path);
PublisherInfo gf_findPublisher(std::string_view path);

} // namespace zyn
