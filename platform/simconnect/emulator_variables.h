#pragma once
// The simulation variables the emulator knows: reading and writing them on an object in the unit a
// data definition asks for, and packing a definition's data block.
#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/simconnect/emulator.h"

namespace zyn::simemu {

// One variable of a data definition as registered (name upper-cased, unit lower-cased).
struct Datum {
    std::string name;
    std::string unit;
    SIMCONNECT_DATATYPE type = SIMCONNECT_DATATYPE_FLOAT64;
};

struct VariableContext {
    double groundAltitudeFt = 0.0;
    std::time_t utcNow = 0;
};

std::string gf_upperAscii(std::string_view text);
std::string gf_lowerAscii(std::string_view text);

bool gf_knownVariable(std::string_view upperName);
bool gf_knownDataType(SIMCONNECT_DATATYPE type);

// Bytes of the block of a definition; nullopt when it holds a text of variable length.
std::optional<std::size_t> gf_blockSize(const std::vector<Datum>& definition);

// The definition's data block of the object, into block (emptied first; its storage is kept).
void gf_packBlock(const SimObject& object, const std::vector<Datum>& definition, const VariableContext& context,
                  std::vector<std::byte>& block);

// Writes the numeric variables of a block of exactly gf_blockSize bytes onto the object (texts and
// read-only variables are skipped) and appends the values written to `written`, in the definition's order.
void gf_applyBlock(SimObject& object, const std::vector<Datum>& definition, const std::byte* block,
                   const VariableContext& context, std::vector<double>& written);

} // namespace zyn::simemu
