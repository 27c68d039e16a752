#include "tests/support/dbase_fixture.h"

#include "aircraft/dbase_read.h"
#include "livery/similar_types.h"

namespace zyn::test {

namespace {

void lf_placeholder(std::vector<std::string>& list, const char* code)
{
    if (list.empty())
        list.push_back(code);
}

} // namespace

tools::DbaseContent dbaseWith(std::vector<std::string> types, std::vector<std::string> airlines,
                              std::vector<tools::DbaseRegistration> registrations)
{
    tools::DbaseContent content;
    content.types = std::move(types);
    content.airlines = std::move(airlines);
    content.registrations = std::move(registrations);
    lf_placeholder(content.types, "ZTYP");
    lf_placeholder(content.highPerf, "ZHPF");
    lf_placeholder(content.heavy, "ZHVY");
    lf_placeholder(content.large, "ZLAR");
    lf_placeholder(content.buzjet, "ZBZJ");
    lf_placeholder(content.rotorcraft, "ZROT");
    lf_placeholder(content.cargoTypes, "ZCGO");
    lf_placeholder(content.airlines, "ZZA");
    lf_placeholder(content.cargoOperators, "ZZC");
    lf_placeholder(content.simAddonAirports, "ZZZZ");
    return content;
}

ScopedDbase::ScopedDbase(const tools::DbaseContent& content) : m_file(m_dir / "dbase.xml")
{
    writeText(m_file, tools::gf_dbaseXmlText(content));
    gf_readDbaseFile(m_file);
}

ScopedDbase::~ScopedDbase()
{
    gf_clearSimilarModels();
    gf_clearDbase();
}

} // namespace zyn::test
