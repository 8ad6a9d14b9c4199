// The dpf tool's word parsers (see values.h).
#include "values.h"

#include <cstdlib>

namespace {

// The longest names and types a block record holds.
const size_t kMaxNameLength = 31;
const size_t kMaxTypeLength = 7;

bool Refuse(std::string* problem, const std::string& text) {
    if (problem) *problem = text;
    return false;
}

// A whole number of at most `digits` decimal digits, nothing else.
bool ParseDigits(const std::string& text, size_t digits, int* value) {
    if (text.empty() || text.size() > digits || text.find_first_not_of("0123456789") != std::string::npos) return false;
    *value = std::atoi(text.c_str());
    return true;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// Text for a fixed field of a block record, which holds at most `longest` characters.
bool ParseRecordText(const std::string& text, size_t longest, const char* what, std::string* value,
                     std::string* problem) {
    if (text.empty() || text.size() > longest)
        return Refuse(problem, std::string(what) + " has 1 to " + std::to_string(longest) + " characters: " + Quoted(text));
    *value = text;
    return true;
}

} // namespace

bool ParseBlockName(const std::string& text, std::string* name, std::string* problem) {
    return ParseRecordText(text, kMaxNameLength, "a block name", name, problem);
}

bool ParseBlockType(const std::string& text, std::string* type, std::string* problem) {
    return ParseRecordText(text, kMaxTypeLength, "a block type", type, problem);
}

bool ParseSoundType(const std::string& text, std::string* type, std::string* problem) {
    if (text != "SND" && text != "MUS")
        return Refuse(problem, "the block type is SND (sound effect) or MUS (music), not " + Quoted(text));
    *type = text;
    return true;
}

bool ParseStorageMode(const std::string& text, int* mode, std::string* problem) {
    int value = 0;
    if (!ParseDigits(text, 1, &value) || value > 2) return Refuse(problem, "must be 0, 1 or 2, not " + Quoted(text));
    *mode = value;
    return true;
}

bool ParseDepth(const std::string& text, int* depth, std::string* problem) {
    int value = 0;
    if (!ParseDigits(text, 2, &value) || (value != 8 && value != 16 && value != 24 && value != 32))
        return Refuse(problem, "must be 8, 16, 24 or 32, not " + Quoted(text));
    *depth = value;
    return true;
}

bool ParseColour(const std::string& text, SDL_Color* colour, std::string* problem) {
    if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return Refuse(problem, "needs a colour as six hexadecimal digits, such as FF00FF, not " + Quoted(text));
    const unsigned long value = std::strtoul(text.c_str(), nullptr, 16);
    *colour = {Uint8(value >> 16), Uint8(value >> 8), Uint8(value), 0};
    return true;
}

bool ParseAlpha(const std::string& text, Uint8* alpha, std::string* problem) {
    int value = 0;
    if (!ParseDigits(text, 3, &value) || value > 255) return Refuse(problem, "needs a number from 0 to 255, not " + Quoted(text));
    *alpha = Uint8(value);
    return true;
}

bool ParsePixelSize(const std::string& text, int* size, std::string* problem) {
    int value = 0;
    if (!ParseDigits(text, 4, &value) || value < 1 || value > 1000)
        return Refuse(problem, "needs a size from 1 to 1000 pixels, not " + Quoted(text));
    *size = value;
    return true;
}

bool ParseSpacing(const std::string& text, int* spacing, std::string* problem) {
    const bool negative = !text.empty() && text[0] == '-';
    int value = 0;
    if (!ParseDigits(negative ? text.substr(1) : text, negative ? 2 : 3, &value))
        return Refuse(problem, "needs a whole number of pixels from -99 to 999, not " + Quoted(text));
    *spacing = negative ? -value : value;
    return true;
}
