// Blitting inside the engine: what the public Nimbrel_Blit (Nimbrel.h) is built on, for the
// floors above, for benchmarks and for the test seams.
#ifndef NIMBREL_GFX_BLIT_H
#define NIMBREL_GFX_BLIT_H

#include <SDL.h>

struct NimbrelPixelBackup;

// True when Nimbrel_Blit copies source to destination itself through the copy path rather than
// handing the blit to SDL: same pixel format, no colour key, no surface alpha, software surfaces.
// Benchmarks and tests check that the case they measure is this one.
bool IsPlainBlit(const SDL_Surface* source, const SDL_Surface* destination);

// Nimbrel_Blit that also says whether the source was restored from its backup on the way
// (`restored` may be null). A surface whose video memory was lost may have taken other memory
// with it, which its owner then has to treat as stale.
int BlitRestoringSource(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination,
                        SDL_Rect* destinationRect, const NimbrelPixelBackup* backup, bool* restored);

// The blit every case but the plain copy goes to: SDL_UpperBlit, or a stand-in that plays a
// renderer which loses surfaces. Test hook, set only through testing/test_seams.h; null restores
// SDL_UpperBlit.
typedef int (*UpperBlitFunction)(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination,
                                 SDL_Rect* destinationRect);
void SetUpperBlit(UpperBlitFunction blit);

#endif
