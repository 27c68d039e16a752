// The settings objects: values, clamping, and the table every setting enters as it is built.
#include "settings/settings.h"

#include "settings/airport_settings.h"
#include "settings/settings_file.h"

#include <algorithm>

namespace zyn {

namespace {

// Filled while the settings are constructed, before the program's entry point runs; read-only after.
std::vector<SettingRow>& lf_table()
{
    static std::vector<SettingRow> table;
    return table;
}

void lf_addRow(Parameter* parameter, ParameterControl* control, SettingKind kind, TableRow row)
{
    lf_table().push_back({parameter, control, kind, row});
}

template <typename Kind> void lf_backToDefault(Parameter& parameter)
{
    auto& typed = static_cast<Kind&>(parameter);
    typed.value = typed.defaultValue;
}

void lf_textToDefault(StringParameter& text) { text.setValue(text.defaultValue); }

} // namespace

const std::vector<SettingRow>& gf_settingsTable() { return lf_table(); }

void gf_resetSettings()
{
    for (const SettingRow& row : lf_table()) {
        if (row.kind == SettingKind::Bool)
            lf_backToDefault<BoolParameter>(*row.parameter);
        else if (row.kind == SettingKind::Int)
            lf_backToDefault<IntParameter>(*row.parameter);
        else if (row.kind == SettingKind::Float)
            lf_backToDefault<FloatParameter>(*row.parameter);
        else if (row.kind == SettingKind::Text)
            lf_textToDefault(static_cast<StringParameter&>(*row.parameter));
    }
    for (StringParameter* meta : {&param::META_AUTHOR, &param::META_DATE, &param::META_VERSION, &param::META_COPYRIGHT,
                                  &param::META_MSFS})
        lf_textToDefault(*meta);
    gf_resetAirportSettings();
    g_settingsRead = 0;
}

StringParameter::StringParameter(std::string key, std::string defaultValue)
    : Parameter(std::move(key)), defaultValue(defaultValue), m_value(std::move(defaultValue))
{
}

StringParameter::StringParameter(std::string key, std::string defaultValue, TableRow row)
    : StringParameter(std::move(key), std::move(defaultValue))
{
    lf_addRow(this, nullptr, SettingKind::Text, row);
}

std::string StringParameter::getValue() const
{
    std::lock_guard lock(m_mutex);
    return m_value;
}

void StringParameter::setValue(std::string value)
{
    std::lock_guard lock(m_mutex);
    m_value = std::move(value);
}

void StringParameter::setValueAndSave(std::string value)
{
    setValue(std::move(value));
    saveParameter(*this);
}

bool StringParameter::empty() const
{
    std::lock_guard lock(m_mutex);
    return m_value.empty();
}

IntParameter::IntParameter(Bound, std::string key, std::int32_t defaultValue, std::int32_t minimum,
                           std::int32_t maximum)
    : Parameter(std::move(key)), defaultValue(defaultValue), minimum(minimum), maximum(maximum), value(defaultValue)
{
}

IntParameter::IntParameter(std::string key, std::int32_t defaultValue, std::int32_t minimum, std::int32_t maximum,
                           TableRow row)
    : IntParameter(Bound{}, std::move(key), defaultValue, minimum, maximum)
{
    lf_addRow(this, nullptr, SettingKind::Int, row);
}

std::int32_t IntParameter::clamp(std::int64_t v) const
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, minimum, maximum));
}

BoolParameter::BoolParameter(std::string key, bool defaultValue)
    : Parameter(std::move(key)), defaultValue(defaultValue ? 1 : 0), value(defaultValue ? 1 : 0)
{
}

FloatParameter::FloatParameter(std::string key, float defaultValue, float minimum, float maximum)
    : Parameter(std::move(key)), defaultValue(defaultValue), minimum(minimum), maximum(maximum), value(defaultValue)
{
}

BoolControlParameter::BoolControlParameter(std::string key, bool defaultValue, std::uint16_t controlId,
                                           std::uint32_t row, ControlPlacement placement)
    : BoolParameter(std::move(key), defaultValue), ParameterControl(controlId, row)
{
    lf_addRow(this, this, SettingKind::Bool, TableRow{placement});
}

IntControlParameter::IntControlParameter(std::string key, std::int32_t defaultValue, std::int32_t minimum,
                                         std::int32_t maximum, std::uint16_t controlId, std::uint32_t row,
                                         TableRow tableRow)
    : IntParameter(Bound{}, std::move(key), defaultValue, minimum, maximum), ParameterControl(controlId, row)
{
    lf_addRow(this, this, SettingKind::Int, tableRow);
}

FloatControlParameter::FloatControlParameter(std::string key, float defaultValue, float minimum, float maximum,
                                             std::uint16_t controlId, std::uint32_t row, TableRow tableRow)
    : FloatParameter(std::move(key), defaultValue, minimum, maximum), ParameterControl(controlId, row)
{
    lf_addRow(this, this, SettingKind::Float, tableRow);
}

StringControlParameter::StringControlParameter(std::string key, std::string defaultValue, std::uint16_t controlId,
                                               std::uint32_t row, TableRow tableRow)
    : StringParameter(std::move(key), std::move(defaultValue)), ParameterControl(controlId, row)
{
    lf_addRow(this, this, SettingKind::Text, tableRow);
}

CommandControlParameter::CommandControlParameter(std::string caption, std::uint16_t controlId, std::uint32_t row,
                                                 ControlPlacement placement)
    : Parameter(std::move(caption)), ParameterControl(controlId, row)
{
    lf_addRow(this, this, SettingKind::Command, TableRow{Stored::No, placement});
}

} // namespace zyn
