// IButton: the button table, its layers, and the operations that fill and empty its slots and
// read or change one button. The input and drawing passes are in button_frames.cpp, the report
// in button_report.cpp.
#include "Nimbrel.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/interface_log.h"
#include "data/button_payload.h"
#include "ui/button_private.h"

using button::Slot;

class IButton* IButton = nullptr;

// ---- Identifiers ----------------------------------------------------------------------------------

button::Slot* IButton::Private::Find(int id) {
    Slot* slot = nullptr;
    if (id >= kFirstMaster && id < kFirstMaster + kMasters) {
        slot = &masters[id - kFirstMaster];
    } else if (id >= 1 && id <= 999) {
        const int layer = id > 100 ? id / 100 : 0;
        const int index = id > 100 ? id % 100 - 1 : id - 1;
        if (layer < kLayers && index >= 0 && index < kButtonsPerLayer) slot = &working[layer][index];
    }
    return slot && !slot->free ? slot : nullptr;
}

// ---- Shared helpers -------------------------------------------------------------------------------

namespace button {

Sint32 ClampValue(Sint64 value, Sint16 range) {
    if (value > range) value = range;
    return value < 0 ? 0 : Sint32(value);
}

void PlaceHitBox(Slot& slot) {
    CTile* normal = slot.Image(kImageNormal);
    const Sint16 w = Sint16(normal ? normal->GetWidth() : 0), h = Sint16(normal ? normal->GetHeight() : 0);
    const Sint16 x = slot.x, y = slot.y;
    slot.x1 = x;
    slot.y1 = y;
    switch (slot.type) {
    case IButton::kComplex:
    case IButton::kCheck:
    case IButton::kInput:
        slot.x2 = Sint16(x + w);
        slot.y2 = Sint16(y + h);
        break;
    case IButton::kSlider:
        slot.x1 = Sint16(x + 25);
        slot.x2 = Sint16(x + w - 25);
        slot.y2 = Sint16(y + h);
        break;
    default: // normal, icon, progress bar
        slot.x2 = Sint16(x + w - 1);
        slot.y2 = Sint16(y + h - 1);
        break;
    }
}

void ReleaseImages(Slot& slot) {
    Images* images = slot.images;
    slot.images = nullptr;
    if (!images || --images->users > 0) return;
    for (CTile* tile : images->tiles) delete tile;
    delete images;
}

const char* TypeName(int type) {
    switch (type) {
    case IButton::kNormal: return "Normal button";
    case IButton::kIcon: return "Icon (deprecated)";
    case IButton::kComplex: return "Complex button";
    case IButton::kSlider: return "Slider";
    case IButton::kProgress: return "Progress bar";
    case IButton::kCheck: return "Check button";
    case IButton::kInput: return "Input box";
    default: return "Unknown";
    }
}

const char* StateName(int state) {
    switch (state) {
    case IButton::kStateNormal: return "Normal";
    case IButton::kStateSelected: return "Selected";
    case IButton::kStatePressed: return "Pressed";
    case IButton::kStateAction: return "Action";
    case IButton::kStateDisabled: return "Disabled";
    default: return "Unknown";
    }
}

} // namespace button

namespace {

bool KnownType(int type) {
    return type == IButton::kNormal || type == IButton::kIcon || type == IButton::kComplex ||
           type == IButton::kSlider || type == IButton::kProgress || type == IButton::kCheck ||
           type == IButton::kInput;
}

bool KnownState(int state) {
    return state == IButton::kStateNormal || state == IButton::kStateSelected || state == IButton::kStatePressed ||
           state == IButton::kStateAction || state == IButton::kStateDisabled;
}

const char* PackageName(int package) {
    const char* name = ::IStuffDPF && package > 0 ? ::IStuffDPF->GetName(package) : nullptr;
    return name ? name : "";
}

void MoveImages(const Slot& slot, int x, int y) {
    for (int i = 0; i < button::kImageCount; ++i)
        if (CTile* tile = slot.Image(i)) tile->SetPosition(x, y);
}

// The first free slot of `slots`, or null.
Slot* FirstFree(Slot* slots, int count) {
    for (int i = 0; i < count; ++i)
        if (slots[i].free) return &slots[i];
    return nullptr;
}

} // namespace

// ---- Life cycle and layers ------------------------------------------------------------------------

IButton::IButton() : priv(new Private) {
    Nimbrel.SetUpdateMode(1);
    // The slots start reset; selecting each layer leaves layer 0 the only visible one.
    SetLayer(0);
    LogInterfaceCreated("IButton");
}

IButton::~IButton() {
    const int left = Dump(0);
    if (left != 0) {
        ILogSystem.Msg(2, " . [IButton] Warning! your application has left %d buttons without deleting.\n", left);
        Dump(1);
    }
    for (int layer = 0; layer < kLayers; ++layer) {
        SetLayer(Uint8(layer));
        Remove();
    }
    SetLayer(0);
    FreeMaster(-1);
    delete priv;
    LogInterfaceDeleted("IButton");
}

void IButton::SetLayer(Uint8 layer) {
    if (layer >= kLayers) return;
    std::memset(priv->layerVisible, 0, sizeof priv->layerVisible);
    priv->currentLayer = Sint8(layer);
    priv->layerVisible[layer] = 1;
}

void IButton::ShowLayer(Uint8 layer, Sint8 visible) {
    if (layer >= kLayers) return;
    priv->layerVisible[layer] = visible <= 0 ? 0 : 1;
}

int IButton::GetLayer() const { return priv->currentLayer; }

// ---- Creating ---------------------------------------------------------------------------------------

namespace {

// Loads the button's tiles: normal, press, off, and select for a complex button. Every one is
// tried, so the log names each that is missing. Null when any failed (the others destroyed).
button::Images* LoadImages(int package, const char* name, int type) {
    static const struct {
        int index;
        const char* suffix;
    } kOrder[] = {{button::kImageNormal, "_n"}, {button::kImagePress, "_p"}, {button::kImageOff, "_o"},
                  {button::kImageSelect, "_s"}};
    button::Images* images = new (std::nothrow) button::Images;
    if (!images) return nullptr;
    bool complete = true;
    for (const auto& image : kOrder) {
        if (image.index == button::kImageSelect && type != IButton::kComplex) continue;
        char tileName[40];
        std::snprintf(tileName, sizeof tileName, "%s%s", name, image.suffix);
        CTile* tile = new (std::nothrow) CTile;
        images->tiles[image.index] = tile;
        if (!tile || !tile->Load(package, tileName, "TILB2")) complete = false;
    }
    if (complete) {
        images->users = 1;
        return images;
    }
    for (CTile* tile : images->tiles) delete tile;
    delete images;
    return nullptr;
}

} // namespace

int IButton::Create(const ButtonDesc* desc, const char* name, int master, int package) {
    const unsigned address = unsigned(uintptr_t(desc));
    const char* file = PackageName(package);
    const char* shown = name ? name : "";
    if (!desc || !name || package <= 0 || desc->selectColour == 0xFFFFFFFFu || !KnownType(desc->type)) {
        ILogSystem.Msg(0, " . [IButton->Create(0x%x,'%s',%d,'%s')] Error: wrong parameters.\n", address, shown, master,
                       file);
        return -1;
    }
    if (std::strlen(name) > size_t(kNameLength)) {
        ILogSystem.Msg(0,
                       " . [IButton->Create(0x%x,'%s',%d,'%s')] Error: button name too long, limit on 25 characters.\n",
                       address, name, master, file);
        return -1;
    }
    Private& p = *priv;
    Slot* slot = master ? FirstFree(p.masters, kMasters) : FirstFree(p.working[p.currentLayer], kButtonsPerLayer);
    if (!slot) {
        if (master)
            ILogSystem.Msg(2,
                           " . [IButton->Create(0x%x,'%s',%d,'%s')] Warning: we have reached the maximum master "
                           "buttons limit(%d).\n",
                           address, name, master, file, kMasters);
        else
            ILogSystem.Msg(2,
                           " . [IButton->Create(0x%x,'%s',%d,'%s')] Warning: we have reached maximum buttons "
                           "number(%d) in this layer(%d).\n",
                           address, name, master, file, kButtonsPerLayer, p.currentLayer);
        return -1;
    }
    button::Images* images = LoadImages(package, name, desc->type);
    if (!images) {
        ILogSystem.Msg(0,
                       " . [IButton->Create(0x%x,'%s',%d,'%s')] Error: we could not find valid tiles for this kind "
                       "of button.\n",
                       address, name, master, file);
        return -1;
    }

    Slot& s = *slot;
    s = Slot();
    s.images = images;
    s.callback = desc->callback;
    s.key = desc->key;
    s.type = desc->type;
    const Uint32 colour = desc->selectColour;
    s.selectColour = Nimbrel.screen ? SDL_MapRGB(Nimbrel.screen->format, Uint8(colour >> 16), Uint8(colour >> 8),
                                                 Uint8(colour))
                                    : colour;
    const int index = int(slot - (master ? p.masters : p.working[p.currentLayer]));
    s.id = master ? index : p.currentLayer * 100 + index + 1;
    s.free = 0;
    if (desc->x != 0 || desc->y != 0) {
        s.x = desc->x;
        s.y = desc->y;
        MoveImages(s, s.x, s.y);
    }
    button::PlaceHitBox(s);
    CTile* normal = s.Image(button::kImageNormal);
    switch (s.type) {
    case kSlider:
        s.range = desc->range;
        s.value = button::ClampValue(desc->value, s.range);
        break;
    case kProgress:
        s.range = desc->range;
        s.value = button::ClampValue(desc->value, s.range);
        s.x2 = s.y2 = 0; // never under the pointer until SetPosition gives it a hit box
        break;
    case kCheck:
        s.range = kStateNormal;
        break;
    case kInput: {
        const Sint16 horizontal = Sint16(desc->value), vertical = desc->range;
        s.textX = horizontal;
        s.textY = vertical;
        const int width = normal->GetWidth() - 2 * horizontal - 1, height = normal->GetHeight() - 2 * vertical;
        // Margins wider than the box leave no room rather than a clip rectangle 65,000 pixels wide.
        s.textWidth = Sint16(width < 0 ? 0 : width);
        s.textHeight = Sint16(height < 0 ? 0 : height);
        break;
    }
    default:
        break;
    }
    if (master) s.id += kFirstMaster;
    s.visible = 1;
    ILogSystem.Msg(5, " . [IButton->Create(0x%x,'%s',%d,'%s')] Info: created new button(%d).\n", address, name,
                   master, file, master ? index : s.id);
    std::snprintf(s.name, sizeof s.name, "%s", name);
    return s.id;
}

int IButton::Load(int package, const char* name, int master) {
    if (!name || package <= 0) return -1;
    const char* file = PackageName(package);
    DPFBlock block = {};
    // Longer names cannot be block names; cut, they would find another block.
    if (std::strlen(name) >= sizeof block.name) {
        ILogSystem.Msg(0, " . [IButton->Load('%s','%s',%d)] Error: button not found.\n", name, file, master);
        return -1;
    }
    std::snprintf(block.name, sizeof block.name, "%s", name);
    std::snprintf(block.type, sizeof block.type, "BUT");
    if (::IStuffDPF->FindBlock(package, &block) != 1) {
        ILogSystem.Msg(0, " . [IButton->Load('%s','%s',%d)] Error: button not found.\n", name, file, master);
        return -1;
    }
    if (::IStuffDPF->LoadBlock(package, "BUT", name, &block) == 0) {
        ILogSystem.Msg(0, " . [IButton->Load('%s','%s',%d)] Error: load 'BUT' block of DPF failed!.\n", name, file,
                       master);
        return -1;
    }
    but::ButtonRecord record;
    const char* problem = "";
    const bool parsed = but::ParseButton(block.data, block.originalSize, &record, &problem);
    std::free(block.data);
    if (!parsed) {
        ILogSystem.Msg(0, " . [IButton->Load('%s','%s',%d)] Error: the 'BUT' block is damaged: %s.\n", name, file,
                       master, problem);
        return -1;
    }
    ButtonDesc desc = {};
    desc.callback = nullptr;
    desc.key = record.key;
    desc.type = record.type;
    desc.selectColour = record.colour;
    desc.x = record.x;
    desc.y = record.y;
    desc.range = record.range;
    desc.value = record.value;
    const int id = Create(&desc, name, master, package);
    ILogSystem.Msg(5, " . [IButton->Load('%s','%s',%d)] Info: added new button(%d).\n", name, file, master, id);
    return id;
}

int IButton::Load(const char* packageFile, const char* name, int master) {
    if (!::IStuffDPF || !packageFile) return 0;
    const int package = ::IStuffDPF->Open(packageFile);
    if (package <= 0) return 0;
    const int id = Load(package, name, master);
    ::IStuffDPF->Close(package);
    return id;
}

// ---- Clones and releasing ---------------------------------------------------------------------------

int IButton::Clone(int masterId) {
    Private& p = *priv;
    Slot* master = masterId >= kFirstMaster ? p.Find(masterId) : nullptr;
    if (!master) {
        ILogSystem.Msg(0, " . [IButton->Clone(%d)] Error: master button not found\n", masterId);
        return -1;
    }
    Slot* slot = FirstFree(p.working[p.currentLayer], kButtonsPerLayer);
    if (!slot) {
        ILogSystem.Msg(2,
                       " . [IButton->Clone(%d)] Warning: we have reached maximum buttons number(%d) in this "
                       "layer(%d).\n",
                       masterId, kButtonsPerLayer, p.currentLayer);
        return -1;
    }
    const int index = int(slot - p.working[p.currentLayer]);
    *slot = *master;
    slot->id = p.currentLayer * 100 + index + 1;
    slot->clone = 1;
    slot->masterLink = masterId;
    if (slot->images) ++slot->images->users;
    ++master->masterLink;
    ILogSystem.Msg(5, " . [IButton->Clone(%d)] Info: added new clone button(%d).\n", masterId, index);
    return slot->id;
}

void IButton::Remove() {
    Private& p = *priv;
    int freed = 0;
    for (Slot& slot : p.working[p.currentLayer]) {
        if (slot.free) continue;
        if (slot.clone) {
            // Only the master this clone was made from counts it: a freed master's slot may hold
            // another master by now, which has its own images.
            Slot* master = p.Find(slot.masterLink);
            if (master && master->images == slot.images && master->masterLink > 0) --master->masterLink;
        }
        button::ReleaseImages(slot);
        slot = Slot();
        ++freed;
    }
    ILogSystem.Msg(5, " . [IButton->Remove()] Info: %d buttons of layer %d were deleted.\n", freed, p.currentLayer);
}

void IButton::FreeMaster(int selector) {
    int first = 0, last = -1;
    if (selector < 0) {
        last = kMasters - 1;
    } else if (selector == 0) {
        last = 0;
    } else if (selector >= kFirstMaster && selector < kFirstMaster + kMasters) {
        first = last = selector - kFirstMaster;
    }
    const int shown = selector < 0 ? selector : first;
    for (int m = first; m <= last; ++m) {
        Slot& slot = priv->masters[m];
        if (slot.free) continue;
        const int clones = slot.masterLink;
        button::ReleaseImages(slot);
        slot = Slot();
        if (clones > 0)
            ILogSystem.Msg(0, " . [IButton->FreeMaster(%d)] Warning: this master button still has %d cloned buttons!\n",
                           shown, clones);
        ILogSystem.Msg(5, " . [IButton->FreeMaster(%d)] Info: master button deleted.\n", shown);
    }
}

// ---- One button -------------------------------------------------------------------------------------

void IButton::SetState(int id, int state) {
    Slot* slot = priv->Find(id);
    if (!slot || !KnownState(state)) return;
    if (slot->type != kCheck) {
        slot->state = Uint8(state);
        return;
    }
    if (state == kStateDisabled) {
        // Disabling twice must not save the disabled mark over the check value it keeps.
        if (slot->state == kStateDisabled && slot->range == kStateDisabled) return;
        slot->value = slot->range;
        slot->state = kStateDisabled;
        slot->range = kStateDisabled;
    } else if (slot->state == kStateDisabled && slot->range == kStateDisabled) {
        slot->range = Sint16(slot->value & 0xFFFF);
        slot->state = Uint8(slot->range);
    } else {
        slot->range = Sint16(state);
    }
}

int IButton::GetState(int id) {
    const Slot* slot = priv->Find(id);
    if (!slot) return -1;
    return slot->type == kCheck ? slot->range : slot->state;
}

void IButton::SetValue(int id, int value) {
    Slot* slot = priv->Find(id);
    if (!slot || (slot->type != kSlider && slot->type != kProgress)) return;
    slot->value = button::ClampValue(value, slot->range);
}

int IButton::GetValue(int id) {
    const Slot* slot = priv->Find(id);
    if (!slot || (slot->type != kSlider && slot->type != kProgress)) return -1;
    return slot->value;
}

void IButton::SetPosition(int id, int x, int y) {
    Slot* slot = priv->Find(id);
    if (!slot) return;
    slot->x = Sint16(x);
    slot->y = Sint16(y);
    MoveImages(*slot, slot->x, slot->y);
    button::PlaceHitBox(*slot);
}

SDL_Surface* IButton::GetSurface(int id, int state) {
    const Slot* slot = priv->Find(id);
    if (!slot) return nullptr;
    int index = -1;
    switch (state) {
    case kStateNormal: index = button::kImageNormal; break;
    case kStateSelected: index = button::kImageSelect; break;
    case kStatePressed: index = button::kImagePress; break;
    case kStateDisabled: index = button::kImageOff; break;
    default: return nullptr;
    }
    CTile* tile = slot->Image(index);
    return tile ? tile->GetSurface() : nullptr;
}

void IButton::SetCallback(int id, ButtonDesc::Callback callback, Sint32 first, Sint32 second) {
    Slot* slot = priv->Find(id);
    if (!slot) return;
    slot->callback = callback;
    slot->firstArgument = first;
    slot->secondArgument = second;
}

void IButton::SetMouseMask(int id, Uint32 mask) {
    if (Slot* slot = priv->Find(id)) slot->mouseMask = mask & (SDL_BUTTON(1) | SDL_BUTTON(2) | SDL_BUTTON(3));
}

void IButton::SetFont(int id, CFont* font) {
    if (Slot* slot = priv->Find(id)) slot->font = font;
}

void IButton::SetText(int id, const char* text) {
    Slot* slot = priv->Find(id);
    if (!slot || slot->type != kInput) return;
    std::snprintf(slot->text, sizeof slot->text, "%s", text ? text : "");
}

const char* IButton::GetText(int id) {
    const Slot* slot = priv->Find(id);
    return slot && slot->type == kInput ? slot->text : nullptr;
}
