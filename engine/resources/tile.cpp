// CTile: positioned images from "TILB2"/"TILE2" blocks (and their version 1.0 forms, converted in
// the package), drawn whole or one tile at a time from a regular grid.
#include "Nimbrel.h"

#include <cstdio>
#include <new>

#include "cursor/cursor_safe_blit.h"
#include "data/tile_payload.h"
#include "resources/resource_block.h"
#include "resources/resource_surface.h"

struct CTile::Private {
    bool loaded = false;
    int x = 0, y = 0;
    int width = 0, height = 0;
    ResourceSurface image;
    NimbrelPixelBackup* backup = nullptr;
    char name[32] = {0};

    // Tile set mode: tiles numbered from 1, row by row.
    bool tileSet = false;
    int columns = 0, rows = 0, count = 0;
    int tileWidth = 0, tileHeight = 0;
};

CTile::CTile() : priv(new Private) { ++Nimbrel.liveTiles; }

CTile::~CTile() {
    if (priv->image.surface) SDL_FreeSurface(priv->image.surface);
    Nimbrel_FreePixelBackup(priv->backup);
    delete priv;
    --Nimbrel.liveTiles;
}

namespace {

const ResourceBlockTexts kTileTexts = {
    "tile",
    "Error: tile not found.\n",
    "Info: tile successfully updated from v1.0 to v2.0.\n",
};

} // namespace

bool CTile::Load(int package, const char* name, const char* type) {
    if (package <= 0 || !name || !type) return false;
    const char* packageName = ::IStuffDPF ? ::IStuffDPF->GetName(package) : nullptr;
    const ResourceLoadCall call = {"CTile::Load", packageName ? packageName : "", name, type};
    if (Nimbrel.startTicks == Nimbrel::kNotStarted) {
        LogLoad(0, call, "Error: Nimbrel was not initialized. Aborting the tile creation.\n");
        return false;
    }
    if (priv->loaded) {
        LogLoad(2, call, "Warning: tile already exists. It is not possible to create another one.\n");
        return false;
    }
    char currentType[tile::kTypeBufferSize];
    char oldType[tile::kTypeBufferSize];
    if (!tile::TileBlockTypes(type, currentType, oldType)) {
        LogLoad(0, call, "Error: the typeblock is not supported.\n");
        return false;
    }

    try {
        ResourceBlockLoader blocks(package, call, kTileTexts);
        ResourcePayload payload;
        if (!blocks.Load(currentType, oldType, tile::ConvertLegacyTile, &payload)) return false;
        tile::TileView view;
        const char* problem = "";
        if (!tile::ParseTile(payload.bytes(), payload.size(), &view, &problem)) return blocks.Damaged(problem);
        if (!blocks.StoreConversion(payload)) return false;

        ResourceSurface image;
        if (!MakeResourceSurface(view.image, "CTile::Load", call.package, call.name, &image)) {
            LogLoad(0, call, "Error: the tile surface could not be created.\n");
            return false;
        }
        payload.Release();

        Private& p = *priv;
        p.image = image;
        p.width = int(view.image.format.width);
        p.height = int(view.image.format.height);
        p.x = view.x;
        p.y = view.y;
        p.backup = Nimbrel_TakePixelBackup(image.surface);
        p.loaded = true;
        std::snprintf(p.name, sizeof p.name, "%s", name);
        if (view.tileSet && (view.tileWidth != 0 || view.tileHeight != 0))
            SetTileset(1, view.tileWidth, view.tileHeight);
        else
            SetTileset(0, 0, 0);
        return true;
    } catch (const std::bad_alloc&) {
        LogLoad(0, call, "Error: there is not enough memory to load the tile.\n");
        return false;
    }
}

bool CTile::SetTileset(int flag, int tileWidth, int tileHeight) {
    if (!priv->loaded) return false;
    Private& p = *priv;
    if (flag == 0) {
        p.tileSet = false;
        p.columns = p.rows = p.count = p.tileWidth = p.tileHeight = 0;
        return false;
    }
    if (tileWidth == 0) tileWidth = 1;
    if (tileHeight == 0) tileHeight = 1;
    if (tileWidth < 0 || tileHeight < 0 || p.width % tileWidth != 0 || p.height % tileHeight != 0) return false;
    p.columns = p.width / tileWidth;
    p.rows = p.height / tileHeight;
    p.count = p.columns * p.rows;
    p.tileWidth = tileWidth;
    p.tileHeight = tileHeight;
    p.tileSet = true;
    return true;
}

void CTile::SetPosition(int x, int y) {
    if (!priv->loaded) return;
    priv->x = x;
    priv->y = y;
}

SDL_Surface* CTile::GetSurface() const { return priv->loaded ? priv->image.surface : nullptr; }
int CTile::GetWidth() const { return priv->loaded ? priv->width : 0; }
int CTile::GetHeight() const { return priv->loaded ? priv->height : 0; }
int CTile::GetX() const { return priv->loaded ? priv->x : 0; }
int CTile::GetY() const { return priv->loaded ? priv->y : 0; }
int CTile::GetTileCount() const { return priv->loaded && priv->tileSet ? priv->count : 0; }

int CTile::Draw(SDL_Surface* target, int number) {
    if (!priv->loaded) return 0;
    if (!target) target = Nimbrel.screen;
    if (!target) {
        ILogSystem.Msg(0, " . [CTile::Draw()] Error: the given surface or Nimbrel.screen are null.\n");
        return 0;
    }
    const Private& p = *priv;
    SDL_Rect destination = {Sint16(p.x), Sint16(p.y), Uint16(p.width), Uint16(p.height)};
    if (!p.tileSet) {
        CursorSafeBlit(p.image.surface, nullptr, target, &destination, p.backup);
        return 1;
    }
    if (number > p.count) {
        ILogSystem.Msg(2, " . [CTileEngine::Draw(%d)] Warning: the given tile number does not exist in current tileset.\n",
                       number);
        return 0;
    }
    if (number < 1) return 0;
    const int column = (number - 1) % p.columns;
    const int row = (number - 1) / p.columns;
    SDL_Rect source = {Sint16(column * p.tileWidth), Sint16(row * p.tileHeight), Uint16(p.width / p.columns),
                       Uint16(p.height / p.rows)};
    destination.w = source.w;
    destination.h = source.h;
    CursorSafeBlit(p.image.surface, &source, target, &destination, p.backup);
    return 1;
}
