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

// ---- Sizes, points and animations ---------------------------------------------------------------

namespace {

// A decimal number from `lowest` to `highest`, a minus sign allowed only when `lowest` is
// negative, nothing else.
bool ParseNumber(const std::string& text, long long lowest, long long highest, long long* value) {
    const size_t digitsFrom = lowest < 0 && !text.empty() && text[0] == '-' ? 1 : 0;
    const std::string digits = text.substr(digitsFrom);
    if (digits.empty() || digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const long long number = (digitsFrom ? -1 : 1) * std::strtoll(digits.c_str(), nullptr, 10);
    if (number < lowest || number > highest) return false;
    *value = number;
    return true;
}

// Two numbers joined by `separator`.
bool ParsePair(const std::string& text, char separator, long long lowest, long long highest, long long* first,
               long long* second) {
    const size_t at = text.find(separator);
    return at != std::string::npos && ParseNumber(text.substr(0, at), lowest, highest, first) &&
           ParseNumber(text.substr(at + 1), lowest, highest, second);
}

// The words and numbers of the three animation types.
bool ParseAnimationType(const std::string& text, int* type) {
    static const struct {
        const char* word;
        const char* number;
        int type;
    } kTypes[] = {{"loop", "2", 2}, {"pingpong", "4", 4}, {"once", "8", 8}};
    for (const auto& known : kTypes)
        if (text == known.word || text == known.number) {
            *type = known.type;
            return true;
        }
    return false;
}

} // namespace

bool ParseSize(const std::string& text, PixelSize* size, std::string* problem) {
    long long width = 0, height = 0;
    if (!ParsePair(text, 'x', 1, 32767, &width, &height))
        return Refuse(problem, "needs a size WIDTHxHEIGHT, each 1 to 32767, such as 32x48, not " + Quoted(text));
    *size = {Uint32(width), Uint32(height)};
    return true;
}

bool ParsePoint(const std::string& text, PixelPoint* point, std::string* problem) {
    long long x = 0, y = 0;
    if (!ParsePair(text, ',', -32768, 32767, &x, &y))
        return Refuse(problem, "needs a point X,Y, each -32768 to 32767, such as 16,31, not " + Quoted(text));
    *point = {int(x), int(y)};
    return true;
}

bool ParseAnimation(const std::string& text, NimbrelAuthoring::SpriteAnimationSpec* animation, std::string* problem) {
    const std::string form = "TYPE:LOOPSTART:MS[,MS...], such as loop:0:100,100,150";
    const size_t first = text.find(':');
    const size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos) return Refuse(problem, "needs " + form + ", not " + Quoted(text));
    NimbrelAuthoring::SpriteAnimationSpec parsed;
    const std::string type = text.substr(0, first);
    if (!ParseAnimationType(type, &parsed.type))
        return Refuse(problem,
                      "has the unknown animation type " + Quoted(type) + ": use loop, pingpong or once (or 2, 4, 8)");
    long long number = 0;
    const std::string loopStart = text.substr(first + 1, second - first - 1);
    if (!ParseNumber(loopStart, 0, 65535, &number))
        return Refuse(problem, "has the loop start " + Quoted(loopStart) + ": a frame number from 0 to 65535");
    parsed.loopStart = int(number);
    const std::string times = text.substr(second + 1);
    for (size_t from = 0; from <= times.size();) {
        size_t end = times.find(',', from);
        if (end == std::string::npos) end = times.size();
        const std::string time = times.substr(from, end - from);
        if (!ParseNumber(time, 0, 0xFFFFFFFFll, &number))
            return Refuse(problem, "has the display time " + Quoted(time) +
                                       ": each frame's time is a number of milliseconds from 0 to 4294967295");
        parsed.frameTimes.push_back(Uint32(number));
        from = end + 1;
    }
    *animation = parsed;
    return true;
}

bool ParseTileType(const std::string& text, std::string* type, std::string* problem) {
    if (text != "TILE2" && text != "TILB2")
        return Refuse(problem, "must be TILE2 (a tile) or TILB2 (a button's tile), not " + Quoted(text));
    *type = text;
    return true;
}

// ---- Buttons --------------------------------------------------------------------------------------

bool ParseButtonType(const std::string& text, int* type, std::string* problem) {
    static const struct {
        const char* word;
        int type;
    } kTypes[] = {{"normal", IButton::kNormal}, {"complex", IButton::kComplex}, {"slider", IButton::kSlider},
                  {"progress", IButton::kProgress}, {"check", IButton::kCheck}, {"input", IButton::kInput}};
    for (const auto& known : kTypes)
        if (text == known.word) {
            *type = known.type;
            return true;
        }
    return Refuse(problem, "must be normal, complex, slider, progress, check or input, not " + Quoted(text));
}

bool ParseImageList(const std::string& text, std::vector<std::string>* files, std::string* problem) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t at = text.find(','); ; at = text.find(',', from)) {
        parts.push_back(text.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos) break;
        from = at + 1;
    }
    for (const std::string& part : parts)
        if (part.empty() || parts.size() < 3 || parts.size() > 4)
            return Refuse(problem, "needs 3 or 4 PNG files separated by commas (normal, pressed, off and, for a "
                                   "complex button, selected), not " + Quoted(text));
    *files = parts;
    return true;
}

bool ParseKeyCode(const std::string& text, int* key, std::string* problem) {
    long long value = 0;
    if (!ParseNumber(text, 1, SDLK_LAST - 1, &value))
        return Refuse(problem, "needs an SDL key code from 1 to " + std::to_string(SDLK_LAST - 1) +
                                   " (13 is Return, 27 Escape, 97 the A key), not " + Quoted(text));
    *key = int(value);
    return true;
}

bool ParseButtonNumber(const std::string& text, int* number, std::string* problem) {
    long long value = 0;
    if (!ParseNumber(text, 0, 32767, &value)) return Refuse(problem, "needs a number from 0 to 32767, not " + Quoted(text));
    *number = int(value);
    return true;
}
