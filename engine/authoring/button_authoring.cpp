// Button payloads for the authoring tools (NimbrelAuthoring.h): the "BUT" block laid out by the
// engine's own builder (data/button_payload.h), names checked against the engine's limit, and
// the whole button created by IButton itself before a tool stores it.
#include "NimbrelAuthoring.h"

#include <cstring>

#include "authoring/counts_as_started.h"
#include "authoring/failures.h"
#include "data/button_payload.h"
#include "data/tile_payload.h"
#include "platform/file_io.h"

namespace NimbrelAuthoring {

namespace {

const char* TypeWord(int type) {
    switch (type) {
    case IButton::kNormal: return "normal button";
    case IButton::kIcon: return "icon";
    case IButton::kComplex: return "complex button";
    case IButton::kSlider: return "slider";
    case IButton::kProgress: return "progress bar";
    case IButton::kCheck: return "check button";
    case IButton::kInput: return "input box";
    default: return nullptr;
    }
}

bool Fits16(int value) { return value >= -32768 && value <= 32767; }

// The buttons the Setup launcher loads are named by the skin prefix and one of these.
const char* const kLauncherSuffixes[] = {"_exit",     "_play",     "_save",  "_tabgeneral", "_tabvideo",
                                         "_tabaudio", "_benchmark", "_check", "_radio",      "_slider"};

bool AddScratchBlock(int package, const std::string& name, const char* type, const std::vector<Uint8>& payload) {
    DPFBlock block{};
    name.copy(block.name, sizeof block.name - 1);
    std::strncpy(block.type, type, sizeof block.type - 1);
    block.mode = DPFBlock::kStored;
    block.originalSize = Uint32(payload.size());
    block.data = const_cast<Uint8*>(payload.data());
    return ::IStuffDPF->AddData(package, &block) > 0;
}

// IButton for the length of a check: the tool engine does not make one.
class ScratchButtons {
public:
    ScratchButtons() : own_(::IButton == nullptr) {
        if (own_) ::IButton = new class IButton;
    }
    ~ScratchButtons() {
        if (!own_) return;
        delete ::IButton;
        ::IButton = nullptr;
    }
    ScratchButtons(const ScratchButtons&) = delete;
    ScratchButtons& operator=(const ScratchButtons&) = delete;

private:
    bool own_;
};

} // namespace

std::vector<std::string> ButtonImageSuffixes(int type) {
    std::vector<std::string> suffixes = {"_n", "_p", "_o"};
    if (type == IButton::kComplex) suffixes.push_back("_s");
    return suffixes;
}

bool BuildButtonPayload(const ButtonSettings& settings, std::vector<Uint8>* payload, std::string* problem) {
    return WithoutExceptions(problem, [&]() {
        if (!TypeWord(settings.type)) return Fail(problem, "type " + std::to_string(settings.type) + " is not a button type");
        if (settings.selectColour == 0xFFFFFFFFu) return Fail(problem, "the select colour 0xFFFFFFFF is refused");
        if (!Fits16(settings.x) || !Fits16(settings.y)) return Fail(problem, "the position lies outside -32768 to 32767");
        but::ButtonRecord record;
        record.key = settings.key;
        record.type = Uint8(settings.type);
        record.colour = settings.selectColour & 0xFFFFFF;
        record.x = Sint16(settings.x);
        record.y = Sint16(settings.y);
        if (settings.type == IButton::kInput) {
            if (!Fits16(settings.marginX) || !Fits16(settings.marginY) || settings.marginX < 0 || settings.marginY < 0)
                return Fail(problem, "the text margins lie outside 0 to 32767");
            record.range = Sint16(settings.marginY);
            record.value = settings.marginX;
        } else if (settings.type == IButton::kSlider || settings.type == IButton::kProgress) {
            if (!Fits16(settings.range) || settings.range < 0) return Fail(problem, "the range lies outside 0 to 32767");
            if (settings.value < 0 || settings.value > settings.range)
                return Fail(problem, "the value " + std::to_string(settings.value) + " lies outside 0 to the range " +
                                         std::to_string(settings.range));
            record.range = Sint16(settings.range);
            record.value = settings.value;
        }
        *payload = but::BuildButton(record);
        return true;
    });
}

bool CheckButtonName(const std::string& name, std::string* problem) {
    if (name.empty()) return Fail(problem, "a button needs a name");
    if (name.size() <= size_t(IButton::kNameLength)) return true;
    std::string text = "the name '" + name + "' has " + std::to_string(name.size()) +
                       " characters; the engine takes button names of at most " +
                       std::to_string(IButton::kNameLength);
    for (const char* suffix : kLauncherSuffixes) {
        const size_t length = std::strlen(suffix);
        if (name.size() > length && name.compare(name.size() - length, length, suffix) == 0)
            text += ", so the skin prefix before '" + std::string(suffix) + "' may have at most " +
                    std::to_string(IButton::kNameLength - int(length)) + " characters";
    }
    return Fail(problem, text);
}

bool CheckButton(const std::string& name, const std::vector<Uint8>& button,
                 const std::vector<std::vector<Uint8>>& images, const char* scratchPackage, std::string* description,
                 std::string* problem) {
    return WithoutExceptions(problem, [&]() {
        but::ButtonRecord record;
        const char* why = "";
        if (!but::ParseButton(button.data(), button.size(), &record, &why)) return Fail(problem, why);
        const std::vector<std::string> suffixes = ButtonImageSuffixes(record.type);
        if (images.size() != suffixes.size())
            return Fail(problem, "a " + std::string(TypeWord(record.type) ? TypeWord(record.type) : "button") +
                                     " has " + std::to_string(suffixes.size()) + " images, not " +
                                     std::to_string(images.size()));
        const int package = ::IStuffDPF->Create(scratchPackage);
        if (package <= 0) return Fail(problem, std::string("cannot make the scratch package ") + scratchPackage);
        bool stored = AddScratchBlock(package, name, "BUT", button);
        for (size_t i = 0; stored && i < images.size(); ++i)
            stored = AddScratchBlock(package, name + suffixes[i], "TILB2", images[i]);
        bool created = false;
        if (stored) {
            CountsAsStarted started;
            ScratchButtons buttons;
            const int id = ::IButton->Load(package, name.c_str(), 1);
            created = id > 0;
            if (created) {
                std::string text = TypeWord(record.type);
                SDL_Surface* normal = ::IButton->GetSurface(id, IButton::kStateNormal);
                text += ", " + std::to_string(normal->w) + "x" + std::to_string(normal->h) + ", images";
                for (size_t i = 0; i < suffixes.size(); ++i) text += (i ? ", " : " ") + name + suffixes[i];
                *description = text;
                ::IButton->FreeMaster(id);
            }
        }
        ::IStuffDPF->Close(package);
        FileRemove(scratchPackage);
        if (!stored) return Fail(problem, std::string("cannot write the scratch package ") + scratchPackage);
        if (!created) return Fail(problem, "the engine does not create the button (see the message above)");
        return true;
    });
}

bool DescribeButton(const void* bytes, size_t length, std::string* description, std::string* problem) {
    return WithoutExceptions(problem, [&]() {
        but::ButtonRecord record;
        const char* why = "";
        if (!but::ParseButton(static_cast<const Uint8*>(bytes), length, &record, &why)) return Fail(problem, why);
        const char* type = TypeWord(record.type);
        if (!type) return Fail(problem, "type " + std::to_string(record.type) + " is not a button type");
        std::string text = type;
        if (record.type == IButton::kSlider || record.type == IButton::kProgress)
            text += ", range " + std::to_string(record.range) + ", value " + std::to_string(record.value);
        if (record.type == IButton::kInput)
            text += ", text margins " + std::to_string(Sint16(record.value)) + "," + std::to_string(record.range);
        text += ", at " + std::to_string(record.x) + "," + std::to_string(record.y);
        if (record.key) text += ", key " + std::to_string(record.key);
        *description = text;
        return true;
    });
}

bool TileImageSize(const void* bytes, size_t length, Uint32* width, Uint32* height, std::string* problem) {
    tile::TileView view;
    const char* why = "";
    if (!tile::ParseTile(static_cast<const Uint8*>(bytes), length, &view, &why)) return Fail(problem, why);
    *width = view.image.format.width;
    *height = view.image.format.height;
    return true;
}

} // namespace NimbrelAuthoring
