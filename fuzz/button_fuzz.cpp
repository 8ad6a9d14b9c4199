// Fuzzes "BUT" payloads with their images. The input's first 24 bytes (all of it when shorter)
// are the "BUT" block; the rest is the "TILB2" payload of every image the button loads. The
// descriptor is parsed alone, then the button goes through IButton->Load from a package, as a
// working button or as a master with a clone, and is moved, pressed, dragged, released, drawn
// in every state and released again.
//
// Seeds are the payloads the unit tests write into build/fuzz-seeds/button_fuzz/.
#include <cstdint>
#include <cstring>
#include <string>

#include "Nimbrel.h"
#include "data/button_payload.h"
#include "fuzz_package.h"
#include "platform/environment.h"

namespace {

std::string packagePath;

void Start() {
    packagePath = ScratchPackagePath("button_fuzz");
    SetEnvironmentVariable("SDL_VIDEODRIVER", "dummy");
    Nimbrel.Init(SDL_INIT_VIDEO);
    Nimbrel.width = 160;
    Nimbrel.height = 120;
    Nimbrel.colorDepth = 32;
    Nimbrel.SetVideoMode();
}

bool AddTile(int package, const char* name, const Uint8* data, size_t size) {
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    std::strcpy(block.name, name);
    std::strcpy(block.type, "TILB2");
    block.mode = DPFBlock::kStored;
    block.originalSize = Uint32(size);
    block.data = const_cast<Uint8*>(data);
    return IStuffDPF->AddData(package, &block) > 0;
}

// One logic frame's input and one drawing pass.
void Frame(int id, int x, int y, Uint8 buttons) {
    Nimbrel.previousMouseButtons = Nimbrel.mouseButtons;
    Nimbrel.mouseX = x;
    Nimbrel.mouseY = y;
    Nimbrel.mouseButtons = buttons;
    IButton->UpdateStates();
    Nimbrel.SetUpdateMode(1);
    IButton->Draw();
    IButton->GetValue(id);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (Start(), true);
    (void)started;
    if (size == 0 || size > (1u << 20)) return 0;

    but::ButtonRecord record;
    but::ParseButton(data, size, &record, nullptr);

    const size_t head = size < but::kPayloadSize ? size : but::kPayloadSize;
    const int package = PackageHolding(packagePath, "BUT", data, head);
    if (package <= 0) return 0;
    if (size > head)
        for (const char* name : {"fuzz_n", "fuzz_p", "fuzz_o", "fuzz_s"}) AddTile(package, name, data + head, size - head);

    const bool master = (size & 1) != 0;
    int id = IButton->Load(package, "fuzz", master ? 1 : 0);
    IStuffDPF->Close(package);
    if (id > 0 && master) id = IButton->Clone(id);
    if (id > 0) {
        IButton->SetPosition(id, 4, 4);
        for (int state : {1, 2, 4, 8, 16}) IButton->GetSurface(id, state);
        Frame(id, 10, 8, 0);
        Frame(id, 10, 8, SDL_BUTTON(1));
        Frame(id, 60, 8, SDL_BUTTON(1));
        Frame(id, 60, 8, 0);
        Frame(id, 10, 8, SDL_BUTTON(1));
        Frame(id, 10, 8, 0);
        IButton->SetState(id, IButton::kStatePressed);
        Nimbrel.mouseX = 150;
        Nimbrel.SetUpdateMode(1);
        IButton->Draw();
        IButton->SetValue(id, record.value);
        IButton->SetState(id, IButton::kStateDisabled);
        Frame(id, 10, 8, 0);
        IButton->SetState(id, IButton::kStateNormal);
        IButton->Dump(0);
    }
    IButton->Remove();
    IButton->FreeMaster(-1);
    return 0;
}
