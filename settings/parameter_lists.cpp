#include "settings/parameter_lists.h"

namespace zyn {

namespace {

// The loader's list of one stored setting of the table.
void lf_addToList(const SettingRow& s, ParameterLists& lists)
{
    switch (s.kind) {
    case SettingKind::Bool:
        if (auto* box = dynamic_cast<BoolControlParameter*>(s.parameter))
            lists.checkBoxes.push_back(box);
        else
            lists.bools.push_back(static_cast<BoolParameter*>(s.parameter));
        break;
    case SettingKind::Int:
        if (auto* box = dynamic_cast<IntControlParameter*>(s.parameter))
            lists.intBoxes.push_back(box);
        else
            lists.ints.push_back(static_cast<IntParameter*>(s.parameter));
        break;
    case SettingKind::Text:
        if (auto* box = dynamic_cast<StringControlParameter*>(s.parameter); box && s.row.stored == Stored::Yes)
            lists.textBoxes.push_back(box);
        else
            lists.texts.push_back(static_cast<StringParameter*>(s.parameter));
        break;
    case SettingKind::Float:
    case SettingKind::Command:
        break; // never stored
    }
}

} // namespace

ParameterLists gf_parameterLists()
{
    ParameterLists lists;
    for (const SettingRow& s : gf_settingsTable())
        if (s.row.stored != Stored::No)
            lf_addToList(s, lists);
    return lists;
}

} // namespace zyn
