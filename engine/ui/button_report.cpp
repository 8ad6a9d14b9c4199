// IButton->Dump: the count of buttons in use and the report written at level 0, which the engine
// also writes at shut-down when the application left buttons behind.
#include "Nimbrel.h"

#include "ui/button_private.h"

using button::Slot;

namespace {

int ImageBytes(CTile* tile) {
    SDL_Surface* surface = tile ? tile->GetSurface() : nullptr;
    return surface ? surface->pitch * surface->h : 0;
}

int ButtonImageBytes(const Slot& slot) {
    int bytes = 0;
    for (int i = 0; i < button::kImageCount; ++i) bytes += ImageBytes(slot.Image(i));
    return bytes;
}

// What a master's clones save by sharing its images; a master without clones saves nothing.
double SavedKilobytes(const Slot& master) {
    const int shared = master.masterLink - 1;
    return shared > 0 ? double(shared) * ButtonImageBytes(master) / 1024.0 : 0.0;
}

// The image lines: `indent` is "" in the master list and "  " in the working list, where every
// size line carries two more spaces; in the master list only the select image's does.
void ImageLines(CTile* tile, const char* heading, const char* indent, bool deepSize) {
    SDL_Surface* surface = tile ? tile->GetSurface() : nullptr;
    if (!surface) return;
    ILogSystem.Msg(0, "%s        + %s state button of %d Kb located at %s\n", indent, heading,
                   surface->pitch * surface->h / 1024,
                   (surface->flags & SDL_HWSURFACE) ? "video memory" : "system memory");
    const char* sizeIndent = deepSize ? "            " : "          ";
    ILogSystem.Msg(0, "%sSize: %dx%d - Color depth: %dbits\n", sizeIndent, surface->w, surface->h,
                   surface->format->BitsPerPixel);
    ILogSystem.Msg(0, "%s          Alpha blending: ", indent);
    if (!(surface->flags & SDL_SRCALPHA))
        ILogSystem.Msg(0, "disabled");
    else if (surface->format->alpha == 255)
        ILogSystem.Msg(0, "per-pixel");
    else
        ILogSystem.Msg(0, "per-surface (%d)", surface->format->alpha);
    if (surface->flags & SDL_SRCCOLORKEY) {
        Uint8 r, g, b;
        SDL_GetRGB(surface->format->colorkey, surface->format, &r, &g, &b);
        ILogSystem.Msg(0, " - Colorkey: RGB(%d,%d,%d)\n", r, g, b);
    } else {
        ILogSystem.Msg(0, " - Colorkey: disabled\n");
    }
}

void AllImageLines(const Slot& slot, const char* indent, bool working) {
    ImageLines(slot.Image(button::kImageNormal), "Normal", indent, working);
    ImageLines(slot.Image(button::kImagePress), "Press", indent, working);
    ImageLines(slot.Image(button::kImageSelect), "Select", indent, true);
    ImageLines(slot.Image(button::kImageOff), "Off", indent, working);
}

// Type, state (with the range or input box line) and key lines.
void DescriptionLines(const Slot& slot, const char* indent) {
    ILogSystem.Msg(0, "%s        + Type: '%s' - Visible: '%s' - Position: (%d,%d) - SelectBox: %d\n", indent,
                   button::TypeName(slot.type), slot.visible ? "yes" : "no", slot.x, slot.y, int(slot.selectColour));
    const int shownState = slot.type == IButton::kCheck ? slot.range : slot.state;
    ILogSystem.Msg(0, "%s        + State: '%s' - Last state: '%s' - ", indent, button::StateName(shownState),
                   button::StateName(slot.lastState));
    if (slot.type == IButton::kInput) {
        const char* font = slot.font && slot.font->GetName() ? slot.font->GetName() : "none";
        ILogSystem.Msg(0, "Font: '%s' - Value: '%s'\n", font, slot.text);
    } else {
        ILogSystem.Msg(0, "Range: %d - Value: %d\n", slot.range, slot.value);
    }
    const char* key = slot.key ? SDL_GetKeyName(SDLKey(slot.key)) : "none";
    ILogSystem.Msg(0, "%s        + Associated key: '%s' - Mouse sensibility: ' %s%s%s' buttons.\n", indent, key,
                   (slot.mouseMask & SDL_BUTTON(1)) ? "left " : "", (slot.mouseMask & SDL_BUTTON(2)) ? "middle " : "",
                   (slot.mouseMask & SDL_BUTTON(3)) ? "right " : "");
}

} // namespace

int IButton::Dump(int print) {
    const Private& p = *priv;
    int masters = 0, clones = 0, working = 0;
    for (const Slot& slot : p.masters) masters += slot.free ? 0 : 1;
    for (const auto& layer : p.working)
        for (const Slot& slot : layer) {
            working += slot.free ? 0 : 1;
            clones += !slot.free && slot.clone ? 1 : 0;
        }
    if (!print) return masters + working + clones;

    ILogSystem.Msg(0, "\n . IButton information:\n");
    ILogSystem.Msg(0, "\n   - Masterbuttons: %d - Cloned buttons: %d - Total working buttons: %d - Current layer %d.\n",
                   masters, clones, working, p.currentLayer);
    ILogSystem.Msg(0, "\n   - Dumping Master button list:%s\n", masters ? "" : " None\n");
    double totalSaved = 0.0;
    for (const Slot& slot : p.masters) {
        if (slot.free) continue;
        ILogSystem.Msg(0, "\n     -> Button name '%s' - MasterID '%d':\n", slot.name, slot.id);
        const double saved = SavedKilobytes(slot);
        totalSaved += saved;
        ILogSystem.Msg(0, "        + Cloned buttons: %d - Saved memory: %.1f Kbytes\n", slot.masterLink, saved);
        DescriptionLines(slot, "");
        AllImageLines(slot, "", false);
    }
    if (masters) ILogSystem.Msg(0, "\n     -> Total saved memory: %.1f KBytes\n", totalSaved);

    ILogSystem.Msg(0, "\n   - Dumping Working layer list:\n");
    for (int layer = 0; layer < kLayers; ++layer) {
        ILogSystem.Msg(0, "\n     -> Layer %d - %s state\n", layer, p.layerVisible[layer] ? "Visible" : "Hidden");
        for (const Slot& slot : p.working[layer]) {
            if (slot.free) continue;
            ILogSystem.Msg(0, "\n        > Button name '%s' - ID '%d':\n", slot.name, slot.id);
            DescriptionLines(slot, "  ");
            if (slot.clone)
                ILogSystem.Msg(0, "          + Cloned button. MasterID '%d'.\n", slot.masterLink);
            else
                AllImageLines(slot, "  ", true);
        }
    }
    return masters + working + clones;
}
