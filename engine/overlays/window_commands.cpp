#include "overlays/window_commands.h"

#include <cstdlib>
#include <cstring>

#include "overlays/simple_win_private.h"

int RunWindowCommand(cSimpleWin& window, cConsole& console, const char* noun, const WindowCommandHelp& help,
                     int wordCount, const char* const* words) {
    if (wordCount < 1) return -1;
    if (wordCount == 1) {
        console.Print(" usage: %s <parameter> [value]", words[0]);
        for (const char* line : help) console.Print("%s", line);
        return 1;
    }
    const char* command = words[1];
    const int values = wordCount - 2;
    if (std::strcmp(command, "alpha") == 0) {
        if (values == 0) {
            console.Print(" Current alpha value: %d", window.GetAlpha());
        } else if (values == 1) {
            window.SetAlpha(Uint8(Limit(std::atoi(words[2]), 64, 255)));
            console.Print(" New alpha value %d set", window.GetAlpha());
        } else {
            return 0;
        }
        return 1;
    }
    if (std::strcmp(command, "color") == 0) {
        if (values == 0) {
            console.Print(" Current background color value (0x00%x)", window.GetBackgroundColor());
        } else if (values == 3) {
            const int r = Limit(std::atoi(words[2]), 0, 255), g = Limit(std::atoi(words[3]), 0, 255),
                      b = Limit(std::atoi(words[4]), 0, 255);
            window.SetBackgroundColor(Uint8(r), Uint8(g), Uint8(b));
            console.Print(" New background color (%d,%d,%d) set", r, g, b);
        } else {
            return 0;
        }
        return 1;
    }
    if (std::strcmp(command, "hide") == 0) {
        if (values != 0) return 0;
        window.Show(0);
        return 1;
    }
    const bool move = std::strcmp(command, "move") == 0;
    if (move || std::strcmp(command, "resize") == 0) {
        int a, b;
        if (values == 2) {
            if (move)
                window.Move(std::atoi(words[2]), std::atoi(words[3]));
            else
                window.Resize(std::atoi(words[2]), std::atoi(words[3]));
        } else if (values != 0) {
            return 0;
        }
        if (move) window.GetPosition(&a, &b); else window.GetSize(&a, &b);
        if (values == 0)
            console.Print(move ? " Current %s position (%d,%d)" : " Current %s size (%dx%d)", noun, a, b);
        else
            console.Print(move ? " New position (%d,%d) set" : " New size (%dx%d) set", a, b);
        return 1;
    }
    return -1;
}
