// Nimbrel SDK: the engine's one public header.
//
// A game (and the Setup launcher) includes this file and links against libnimbrel. It declares:
//   - ILogSystem, the text log every part of the engine writes through;
//   - NimbrelConfig and the main object Nimbrel: video and audio request, the screen, input
//     state, start-up, the frame pump and shut-down;
//   - the engine interfaces, one process-wide instance each, created by Nimbrel.Init and
//     destroyed by Nimbrel.Quit;
//   - the resource classes the application creates itself.
//
// Conventions that hold everywhere:
//   - Results are plain integers: 1 or a positive handle, identifier or size on success; 0 or -1
//     on failure as each operation says. No exception ever leaves the engine.
//   - Every failure is written to the log by the operation that detects it.
//   - Text is single-byte Windows-1252.
//   - A surface colour key of 0xFFFFFFFF means "no colour key".
//
// Each interface is a class and, at the same time, a global pointer of the same name to its one
// instance, so calls read as IStuffDPF->Open("setup.dpf"). Where the type itself is needed, write
// `class IStuffDPF`.
//
// The engine is built in floors, and this header follows them from the ground up; each section
// names its floor. A floor uses only the floors below it:
//   base         log, clock, time system, checksum, processor identification, copy paths
//   data         packages, XML documents, payload parsers
//   drawing      images, blits, primitives, screen effects; sound; network (three neighbours)
//   cursor       the software mouse cursor
//   resources    sprites, tiles, fonts (they ask the cursor to step aside)
//   widgets      buttons; the console, debug and simple windows
//   composition  what ties the floors together: Nimbrel.Init and Quit, the video mode, the
//                frame pump, the cursor-safe drawing, the configuration reader and writer
#ifndef NIMBREL_H
#define NIMBREL_H

#include <SDL.h>
#include <cstdarg>

#if defined(__GNUC__)
#define NIMBREL_PRINTF(format_index, first_arg) __attribute__((format(printf, format_index, first_arg)))
#else
#define NIMBREL_PRINTF(format_index, first_arg)
#endif

// =================================================================================================
// Log (base)
// =================================================================================================

// The engine's text log. The file is opened, appended to and closed again for every message, so
// every line is on disk even if the process dies right after it.
//
// Levels: 0 errors and lines that always appear, 2 warnings, 5 information.
class ILogSystem {
public:
    // Output mask bits for Init.
    enum OutputMask {
        kOutputNewFile = 2,     // file, created anew at Init
        kOutputAppendFile = 4,  // file, appended to
        kOutputStdout = 8,      // standard output
        kOutputConsole = 16,    // the engine console, when one exists
    };

    ILogSystem();
    ~ILogSystem();
    ILogSystem(const ILogSystem&) = delete;
    ILogSystem& operator=(const ILogSystem&) = delete;

    // Starts (or restarts) the log and writes its banner. When the file cannot be created the log
    // falls back on "ILogSysError.txt" in the working directory. text, subtext and extra may be
    // null.
    void Init(const char* fileName, Sint8 outputMask, Sint8 maxLevel, const char* title,
              const char* text = nullptr, const char* subtext = nullptr, const char* extra = nullptr);

    // Writes one printf-style message when level <= the maximum level. Adds no space and no
    // newline of its own.
    void Msg(Sint8 level, const char* format, ...) NIMBREL_PRINTF(3, 4);
    void MsgV(Sint8 level, const char* format, va_list args);

    // When on, every line written to the file starts with "{%.3fs}", the seconds since engine
    // start.
    void SetTimestamps(bool on);

    // Where messages go when the console bit is set. The console installs itself here.
    typedef void (*ConsoleSink)(const char* format, va_list args);
    static void SetConsoleSink(ConsoleSink sink);

    // State, for tests and tools.
    bool IsActive() const;
    Sint8 GetMaxLevel() const;
    Sint8 GetOutputMask() const;
    const char* GetFileName() const;

private:
    struct Record;
    Record* record;
};

// The process-wide log. Exists from static initialisation to exit.
extern class ILogSystem ILogSystem;

// =================================================================================================
// Main object (base; its operations on the floors named below)
// =================================================================================================

// The configuration record: the first sixteen fields of the main object. The game's
// configuration document is read into and written from either a separate record or the main
// object itself.
struct NimbrelConfig {
    const char* title;     // window caption
    SDL_Surface* icon;     // window icon or null; Nimbrel.Quit frees it
    Sint8 frameDelay;      // ms slept at the end of each Nimbrel.Update call (0..127)
    Uint8 renderer;        // 1 detect, 2 windib, 4 directx, 64 glSDL, 8 x11, 16 fbcon, 128 quartz
    Uint8 acceleration;    // 1 software, 2 hardware double-buffered, 3 hardware
    Uint8 windowMode;      // 0 full screen, 1 window, 2 window without frame
    Uint8 colorDepth;      // bits per pixel, 0 = desktop depth
    Uint16 width;
    Uint16 height;
    Uint8 audioEnabled;
    Uint32 audioFormat;    // bits per sample: 8 or 16 (what ReadConfig stores); an SDL format code
                           // such as 0x8010 is accepted too, its low byte being the sample size
    Uint32 audioFrequency; // samples per second
    Uint32 audioChannels;  // 1, 2 or 4
    Uint32 audioBuffer;    // mixer buffer in bytes
    Uint8 musicVolume;     // 0..255
    Uint8 soundVolume;     // 0..255, applied to every loaded sound
};

// Renderer codes, the vocabulary of the configuration document.
enum NimbrelRenderer {
    kRendererDetect = 1,
    kRendererWindib = 2,
    kRendererDirectX = 4,
    kRendererX11 = 8,
    kRendererFbcon = 16,
    kRendererOpenGL = 64,
    kRendererQuartz = 128,
};

// The engine's main object. One instance, `Nimbrel`, exists for the whole process.
class Nimbrel : public NimbrelConfig {
public:
    static constexpr Uint32 kNotStarted = 0xFFFFFFFFu;

    SDL_Surface* screen;        // the display surface, set by SetVideoMode
    int mouseX, mouseY;         // sampled at each logic frame
    Uint8 mouseButtons;         // button mask of this logic frame
    Uint8 previousMouseButtons; // button mask of the previous logic frame
    Uint32 startTicks;          // SDL ticks at the end of Init; kNotStarted before
    Uint8 lostSurfaceCheck;     // drawing code restores lost video surfaces when set
    int liveTiles, liveSprites, liveFonts; // counted by the resource classes

    Nimbrel();
    ~Nimbrel();
    Nimbrel(const Nimbrel&) = delete;
    Nimbrel& operator=(const Nimbrel&) = delete;

    // ---- Life cycle (composition) ---------------------------------------------------------------
    // Checks the processor, starts SDL with the given subsystem flags, creates every interface and
    // initialises UCL. 1 on success, -1 on failure.
    int Init(Uint32 sdlFlags);
    // Destroys the console, the debug window and every interface, stops SDL and reports leaked
    // resources. Does nothing unless initialised.
    void Quit();
    bool IsInitialized() const;

    // Turns the video request into Nimbrel.screen. 1 on success, 0 on failure; a forced renderer
    // restarts the video subsystem, so after its failure the screen is null.
    //
    // Renderer 64 (OpenGL) opens an OpenGL window on the native driver. Nimbrel.screen is then a
    // software surface of the asked size, in the desktop's format (15, 16 or 32 bits), and each
    // flip of the frame pump shows it through OpenGL, uploading only the rows that changed. The
    // window may be larger than the screen (SetWindowSize; in full screen it takes the desktop's
    // resolution and the display mode is not changed): the picture is scaled to fit, its aspect
    // kept, between black bars, smoothly with acceleration 2 and with whole pixels with 3; mouse
    // positions are given in screen pixels. The swap waits for the vertical retrace when the
    // frame delay is below 8 ms. Surfaces stay in software, so IsOpenGL() stays false. When no
    // OpenGL context can be made (the dummy driver, no OpenGL library, a driver older than 2.0)
    // it logs " . [Nimbrel.SetVideoMode()] Error: no OpenGL context could be made for renderer
    // 64 (<why>).\n" and returns 0; the video subsystem stays up, so another renderer can follow.
    int SetVideoMode();
    // The window size for renderer 64 in a window, when it should differ from the screen's; 0 or
    // less: the screen's size (the default). Read by the next SetVideoMode.
    void SetWindowSize(int width, int height);

    // ---- Frame pump (composition) ---------------------------------------------------------------
    // Handles at most one SDL event and at most one logic or render step. With a null event:
    // returns 0 exactly once per due logic frame (run the game's logic, then call again until it
    // returns 0 once more). With an event record: returns 1 when an event arrived for the caller.
    int Update(SDL_Event* event);

    // The state of a key (SDL key code) at the last logic frame; 0 before the first one.
    Uint8 KeyState(int key) const;

    // Called at every render with 1 when the render follows a logic burst, else 0.
    typedef void (*RenderCallback)(int afterLogicBurst);
    void SetRenderCallback(RenderCallback callback);

    float GetLogicAccumulator() const;
    // 1 when the console and debug window are redrawn by the pump, else 0.
    int GetUpdateMode() const;
    // n <= 0: stop redrawing overlays (kept on a double-buffered screen); 1: redraw once;
    // n >= 2: redraw at every render.
    void SetUpdateMode(int n);
    // True when surfaces are OpenGL textures; never in this version (see SetVideoMode).
    bool IsOpenGL() const;

    // ---- Developer overlays (composition) -------------------------------------------------------
    // SetVideoMode creates one console and one debug window, the first time it succeeds; they
    // live until Quit. Both start disabled: a game that wants them calls GetConsole()->Enable()
    // (the back-quote key then opens and closes the console) and GetDebugWindow()->Enable() or
    // the console command "debug enable 1". Null before the first SetVideoMode and after Quit.
    class cConsole* GetConsole() const;
    class cDebugWO* GetDebugWindow() const;
    // Shows (show > 0) or hides the console, enabling it first when it is not; 1 when the
    // console exists and can be shown, 0 otherwise.
    int ShowConsole(int show);
    // Nonzero while the console is shown or fading.
    int IsConsoleShown() const;

    // ---- Services (base; Blit is the composition's) ---------------------------------------------
    const char* GetVersion() const; // "Nimbrel SDK Linux v5.10 (build 3173)"
    const char* GetMaker() const;
    // The common CRC-32 (the one zlib computes; the same fast routine that checks packages).
    // A length <= 0 gives 0.
    Uint32 CRC32(const void* data, int length) const;
    // Creates the missing directories of a file path. 1 on success, 0 on failure. Like every file
    // operation it takes Windows-style paths: a drive letter is dropped and a backslash separates.
    int MakePath(const char* path) const;
    // The physical memory available to new programs, in bytes; 0 when the system does not say.
    Uint64 GetFreeMemory() const;
    // Starts a program in the working directory and does not wait for it. The command line is
    // split into words without a shell: blanks separate words and quotes group them, so nothing
    // in it is ever interpreted; the first word is the program, found through PATH unless it
    // names a path. The child is reaped when it ends, so it never lingers as a zombie. 1 when
    // the program was started; 0 for an empty line, an unclosed quote or a program that cannot
    // be run.
    int Execute(const char* commandLine) const;
    // Opens a document or web address with the desktop's opener, started as by Execute with the
    // document as its one argument (never split). The opener is the program named by the
    // environment variable NIMBREL_OPENER, or "xdg-open". 1 when the opener was started, else 0.
    int OpenDocument(const char* document) const;
    // Blits a surface that has no pixel backup, keeping the software cursor intact when the
    // destination is the screen. The result of SDL_UpperBlit.
    int Blit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination, SDL_Rect* destinationRect);

    // ---- Processor (base) -----------------------------------------------------------------------
    // Identifies the processor and requires MMX. Without a buffer (engine start): logs one line
    // naming the processor and its MMX and SSE support, then selects the processor's copy path.
    // With a buffer: writes a one-line description such as "INTEL - Core 2 Duo - MMX - SSE", or
    // the reason the processor is not usable, and selects nothing. The buffer must hold
    // kCPUTextSize bytes. 1 when the processor is usable, 0 when not.
    static const int kCPUTextSize = 96;
    int GetCPUFeatures(char* text);

    // ---- XML documents (data) -------------------------------------------------------------------
    // Up to ten documents are open at once, each known by a handle from 1 to 10 (0 is failure). A
    // document has a current element where the attribute and text operations work; it is unset
    // after XMLOpen (move it with XMLNodePointTo) and is the root after XMLCreate. Operations
    // given a handle that is not open return 0 (or null) without a message; operations that need
    // a current element log "there is not an element pointed" when there is none. Documents still
    // open when the process ends are closed then.
    //
    // Documents stored in packages are blocks of type "FILE". The forms taking a package handle
    // and those taking a package file name need a started engine.
    //
    // Documents are Windows-1252 text. A character reference above 0xFF reads as its Windows-1252
    // byte, or as '?' (and XMLOpen warns, naming the document) when Windows-1252 lacks it.

    // Opens a document from a file. The handle, or 0.
    int XMLOpen(const char* path);
    // Opens the "FILE" block `name` of an open package. The handle, or 0.
    int XMLOpen(int package, const char* name);
    // Opens the package file, reads the "FILE" block `name` and closes the package. The handle, or 0.
    int XMLOpen(const char* packageFile, const char* name);
    // A new document holding an XML declaration (version 1.0, UTF-8, standalone) and the root
    // element, which becomes the current element. The handle, or 0.
    int XMLCreate(const char* rootName);
    // Closes the document and frees its handle.
    void XMLClose(int handle);

    // Saves to a file, creating missing directories. The file is replaced in one step: a failed
    // or interrupted save leaves the previous file whole. A file the process may not write, or
    // one without any write permission, is not replaced. The temporary files that interrupted
    // saves of the same file left behind are removed. 1 on success, 0 on failure.
    int XMLSave(int handle, const char* path);
    // Saves as the "FILE" block `name` of an open package. An existing block of that name is
    // replaced (and keeps its storage mode); it is marked deleted only after the new one is
    // written. The stored size, or 0 on failure.
    int XMLSave(int handle, int package, const char* name);
    // As above for a package file, which is created when it does not exist. The stored size, or 0.
    int XMLSave(int handle, const char* packageFile, const char* name);

    // Moves the current element along an absolute path of `count` element names, the first being
    // the root's name: XMLNodePointTo(h, 2, "setup", "video"). 1 when the whole path exists;
    // otherwise 0 and the current element stays where it was.
    int XMLNodePointTo(int handle, int count, ...);
    // Move to the next sibling element, the parent element, or the first child element. 1 when
    // moved; 0 and unmoved when there is none.
    int XMLNodeNext(int handle);
    int XMLNodeParent(int handle);
    int XMLNodeChild(int handle);
    // Appends a new element as the last child of the current element and moves to it. 1, or 0.
    int XMLNodeCreate(int handle, const char* name);
    // The current element's name (owned by the document, valid until it changes), or null.
    const char* XMLNodeGetName(int handle);

    // Sets an attribute of the current element to a decimal integer. An existing attribute keeps
    // its place; a new one goes last. 1, or 0.
    int XMLAttributeSet(int handle, const char* name, int value);
    // Reads an attribute's text (owned by the document). 1 when it exists; otherwise 0 and *text
    // is set to null.
    int XMLAttributeGet(int handle, const char* name, const char** text);
    // Reads an attribute as a decimal integer: leading blanks and a sign are allowed, anything
    // after the digits is ignored ("12px" reads 12), values beyond the int range are limited to it.
    // 1 when a number was read; otherwise 0 and *value is left as it was.
    int XMLAttributeGet(int handle, const char* name, int* value);
    // Appends text to the current element's first text node, or adds one. 1, or 0.
    int XMLTextSet(int handle, const char* text);
    // Inserts a comment as the first child of the current element, which does not move. 1, or 0.
    int XMLCommentSet(int handle, const char* text);

    // ---- Game configuration (composition) -------------------------------------------------------
    // The game's configuration document: root <setup> with <general>, <video> and <audio>, whose
    // attributes hold the first sixteen fields' options. The document is a file when `package` is
    // null or empty, else a "FILE" block of that package file. A null record means this object.

    // Reads the document into the record, validating every value except width and height (out of
    // range values are limited, unsupported ones replaced by a supported default). Values are read
    // in document order and stored as they are read, so a document that lacks one keeps those
    // read before it. An optional `optcore` on <general> selects a memory copy path. 1 when every
    // value was read; 0 otherwise.
    int ReadConfig(const char* package, const char* document, NimbrelConfig* record = nullptr);
    // Writes the whole document from the record, with a comment and an explanatory text in each
    // element. A package file is created when missing; a plain file is replaced in one step. 1 when
    // the document was saved; 0 otherwise.
    int WriteConfig(const char* package, const char* document, const NimbrelConfig* record = nullptr);

    struct Private;
    Private* priv;
};

// The process-wide main object.
extern class Nimbrel Nimbrel;

// Processor identification primitives, exported under these names.
extern "C" {
// 1 when the processor has the identification instruction (CPUID), else 0.
int CPU_haveCPUID(void);
// Fills vendor (13 bytes) with the 12-character vendor string and a terminator and returns the
// highest standard leaf. When that is 0 or less only vendor[12] is written and 0 is returned.
int CPU_GetString(char* vendor);
// The leaf-1 signature (family in bits 8..11, model in bits 4..7, extended model in bits
// 16..19), or 0 when leaf 1 does not exist.
unsigned int CPU_getCPUIDFamily(void);
}

// =================================================================================================
// Time system (base)
// =================================================================================================

// The clock for frame pacing and statistics: the target render and logic rates that drive
// Nimbrel.Update, the elapsed time since Init, and measured and average rates.
class ITimeSystem {
public:
    ITimeSystem();
    ~ITimeSystem();
    ITimeSystem(const ITimeSystem&) = delete;
    ITimeSystem& operator=(const ITimeSystem&) = delete;

    // mode 0: full start, rates cleared. mode 1: restart clock and counters, keep the rates (only
    // when already initialised). Other modes do nothing.
    void Init(int mode);
    // Render rate 0..120 (0 = render on every pump call), logic rate 0..200 (0 = one logic frame
    // per pump call). Larger values are limited. Ignored before Init. On a double-buffered screen
    // a nonzero render rate is warned about, naming the rates in force.
    void SetRate(Uint32 renderRate, Uint32 logicRate);
    // Once per pump call: advances the clock and refreshes the measured and average rates.
    void Update();

    // The targets, or -1 when not initialised.
    int GetRenderRate() const;
    int GetLogicRate() const;
    // Milliseconds from Init to the last Update, or -1 when not initialised.
    int GetTicks() const;
    void CountRenderFrame();
    void CountLogicFrame();

    // Statistics: frames counted in the last whole second, and frames per second since Init.
    int GetMeasuredRenderRate() const;
    int GetMeasuredLogicRate() const;
    float GetAverageRenderRate() const;
    float GetAverageLogicRate() const;
    Uint32 GetRenderFrames() const;
    Uint32 GetLogicFrames() const;
    bool IsInitialized() const;

private:
    struct Record;
    Record* record;
};

extern class ITimeSystem* ITimeSystem;

// =================================================================================================
// DPF packages (data)
// =================================================================================================
//
// A DPF package is one file holding any number of named, typed data blocks: images, sounds,
// fonts, documents... A block is identified by its name and type together (both case-sensitive),
// so "logo"/"IMG" and "logo"/"SPR2" are different blocks. Each block is stored in one of three
// modes: compressed, as is, or masked.
//
// Packages keep a checksum of their blocks in their header. It is brought up to date by every
// addition and deletion, so a package on disk is always whole even if the program dies before
// closing it; a package whose checksum does not match is refused as corrupted.
//
// A protected package enciphers its block headers and data with a key of its own: set that key
// with SetKey before finding, loading or adding blocks in it.

// The block record exchanged with IStuffDPF.
struct DPFBlock {
    char name[32];       // at most 31 characters
    char type[8];        // at most 7 characters, e.g. "FILE", "IMG", "SPR2"
    Uint8 mode;          // DPFBlock::kCompressed, kStored or kMasked
    Uint32 originalSize; // payload size in bytes
    Uint32 storedSize;   // size of the data as stored in the package
    // The payload. LoadBlock allocates it with malloc and the caller owns it afterwards: release
    // it with free(). AddData only reads it. Null in records filled by the find operations.
    Uint8* data;

    enum StorageMode { kCompressed = 0, kStored = 1, kMasked = 2 };
};

// The engine's access to DPF packages. At most two packages are open at once; each open package
// is known by a handle, a positive integer never reused within a run.
class IStuffDPF {
public:
    IStuffDPF();
    // Closes every package the application left open (with a warning for each).
    ~IStuffDPF();
    IStuffDPF(const IStuffDPF&) = delete;
    IStuffDPF& operator=(const IStuffDPF&) = delete;

    // ---- Opening and closing --------------------------------------------------------------------
    // Creates an empty package (creating missing directories, replacing any file of that name)
    // and opens it. With protectedPackage set, its blocks will be enciphered with the key given to
    // SetKey. The handle; 0 if the new package cannot be opened; -1 if it cannot be created.
    int Create(const char* path, bool protectedPackage = false);
    // Opens a package for reading and writing, or read-only when the file cannot be written. The
    // checksum is checked the first time a package is opened in a run. A version 3 package is
    // converted to the current version on the spot, keeping the original beside it as
    // "<name>_v3.dpf". Opening an open package again returns the same handle and must be matched
    // by one more Close. The handle, or 0 on failure.
    int Open(const char* path);
    // Closes a package once it has been closed as often as it was opened. 2 when no open package
    // has that handle, otherwise 0 (or the system's error result when closing the file fails).
    int Close(int handle);
    // The path a package was opened with, or null when the handle is not open.
    const char* GetName(int handle) const;
    // 1 when the package is protected, 0 when not, -1 when the handle is not open.
    int IsProtected(int handle) const;

    // ---- Finding and loading --------------------------------------------------------------------
    // Walk the blocks in file order, deleted ones included (their name starts with '?' and their
    // type is "DELETED"). Fill the record (data null) and return 1; 0 when there are no more
    // blocks or the package is protected and no key is set; 2 when the handle is not open or the
    // file cannot be read.
    int FindFirst(int handle, DPFBlock* block);
    int FindNext(int handle, DPFBlock* block);
    // Finds the block with the record's name and type and fills the whole record from it (data
    // null). 1 when found, otherwise the 0 or 2 that ended the search.
    int FindBlock(int handle, DPFBlock* block);
    // Loads a block's payload: fills the record and sets its data (see DPFBlock::data). The
    // original size; 0 on any failure, including an empty block. For a block stored as is, data
    // may be up to 7 bytes longer than the original size.
    int LoadBlock(int handle, const char* type, const char* name, DPFBlock* block);

    // ---- Changing a package ---------------------------------------------------------------------
    // Appends a block from the record's name, type, mode, original size and data. A mode other
    // than kCompressed or kStored is taken as kMasked; the record's mode is set to the one used.
    // The stored size; -1 when a block with that name and type exists; 0 on failure, in which case
    // the package is left as it was.
    int AddData(int handle, DPFBlock* block);
    // Like AddData, but a block with that name and type is replaced: the new block is written
    // first and only then is the old one marked deleted, so the package never lacks the block.
    // The stored size, or 0 on failure, in which case the package is left as it was.
    int Replace(int handle, DPFBlock* block);
    // Marks the block with the record's name and type deleted (its space stays in the file). The
    // record is left as it is. 1 when deleted, 0 when not found or on failure.
    int Delete(int handle, DPFBlock* block);

    // ---- Protected packages ---------------------------------------------------------------------
    // Sets the key of protected packages: 1 to 56 bytes. A null key (or length 0) forgets the key,
    // so protected packages are refused again. 1 on success, 0 for a key of the wrong length.
    int SetKey(const void* key, int length);

    struct Private;
private:
    Private* priv;
};
extern class IStuffDPF* IStuffDPF;

// =================================================================================================
// Images (drawing)
// =================================================================================================
//
// Images are stored in packages as blocks of type "IMG": a raw dump of a surface (size, pixel
// format, colour key, surface alpha, the pixel rows and, for 8-bit images, the palette), so loading
// needs no decoding. PNG data held in memory can be decoded as well.
//
// A loaded image is converted to the display's pixel format when a display exists, the formats
// differ and conversion is on, so that later blits are fast. 8-bit images are never converted:
// they keep their palette. Images with an alpha channel and surface alpha 255 draw with per-pixel
// alpha and never with a colour key.
//
// The surfaces returned belong to the caller (SDL_FreeSurface). A surface without a colour key
// has 0xFFFFFFFF in its format's colorkey member.

// What Load tells about the image it loaded, as stored in the package.
struct ImageInfo {
    Uint32 width;
    Uint32 height;
    Uint8 bitsPerPixel;  // 8, 16, 24 or 32
    Uint32 alpha;        // surface alpha, 0..255; 255 is opaque
    Uint32 colorKey;     // the transparent pixel value, or 0xFFFFFFFF for none
    char name[32];       // the block name
};

class IImage {
public:
    IImage();
    ~IImage();
    IImage(const IImage&) = delete;
    IImage& operator=(const IImage&) = delete;

    // Loads the "IMG" block `name` from an open package. Fills `info` when it is not null. A new
    // surface, or null: when the handle is 0 or less, the block is missing, or its data is
    // damaged (short, or rows that do not fit).
    SDL_Surface* Load(int package, const char* name, ImageInfo* info = nullptr);
    // The same from a package file, which is opened and closed again around the load. Null when
    // the package cannot be opened.
    SDL_Surface* Load(const char* packageFile, const char* name, ImageInfo* info = nullptr);
    // Decodes PNG file bytes held in memory. A new surface, or null when the data does not decode
    // (SDL_GetError tells why). The result has no colour key.
    SDL_Surface* LoadFromPNG(const void* bytes, int length);

    // Conversion to the display format, on unless switched off. The cursor switches it off around
    // its own loads so that cursor images keep their stored format.
    void SetConversion(bool on);
    bool GetConversion() const;

private:
    struct Private;
    Private* priv;
};
extern class IImage* IImage;

// =================================================================================================
// Blitting, lost surfaces and primitives (drawing)
// =================================================================================================
//
// Under renderers that keep surfaces in video memory, their contents can be lost (a mode change,
// the application losing focus) and SDL answers a blit with -2. While Nimbrel.lostSurfaceCheck is
// set, every resource that owns a surface keeps a pixel backup, a system-memory copy of the
// surface's pixels taken right after the surface was built, and draws through Nimbrel_Blit, which
// puts the pixels back and blits again.
//
// Drawing onto the screen may cover the software cursor: use Nimbrel.Blit for surfaces without a
// backup, which takes the cursor down and puts it back around the blit.

// A copy of a surface's pixel memory: pitch x height bytes, rows with their padding.
struct NimbrelPixelBackup {
    Uint8* pixels;
    Uint32 size;  // pitch x height of the surface it was taken from
};

// Takes a backup of the surface when Nimbrel.lostSurfaceCheck is set; null when it is not (no
// backup is needed) or the copy cannot be made. Release it with Nimbrel_FreePixelBackup.
NimbrelPixelBackup* Nimbrel_TakePixelBackup(SDL_Surface* surface);
void Nimbrel_FreePixelBackup(NimbrelPixelBackup* backup);

// Blits like SDL_UpperBlit (same clipping, and the destination rectangle receives the area
// drawn) and gives its result: 0 success, -1 error, -2 lost. When the source was lost and a
// backup is given, the source's pixels are restored from it and the blit is made again. A plain
// copy between software surfaces of one pixel format, with no colour key and no surface alpha,
// goes through the processor's copy path; a software source drawn through its alpha channel onto
// an opaque 32-bit software surface of the same colour layout is blended by the engine, to the
// same pixels SDL gives, without SDL's per-blit set-up (text is many small such blits).
int Nimbrel_Blit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination, SDL_Rect* destinationRect,
                 const NimbrelPixelBackup* backup = nullptr);

// Pixels, lines and rectangles. Colours are pixel values already mapped to the surface's format
// (as SDL_MapRGB gives them). Line and rectangle coordinates are cut to 16 bits, like SDL_Rect's.
class IPrimitives {
public:
    IPrimitives();
    ~IPrimitives();
    IPrimitives(const IPrimitives&) = delete;
    IPrimitives& operator=(const IPrimitives&) = delete;

    // Lock and unlock a surface when SDL requires it before its pixels are touched. A failed lock
    // is logged; drawing goes on.
    void Lock(SDL_Surface* surface);
    void Unlock(SDL_Surface* surface);

    // Lines including both ends, clipped to the surface's clip rectangle. Ends given in reverse
    // order draw the same line.
    void HLine(SDL_Surface* surface, int x1, int x2, int y, Uint32 colour);
    void VLine(SDL_Surface* surface, int x, int y1, int y2, Uint32 colour);
    // The outline of the rectangle with corners (x1, y1) and (x2, y2), both included. It keeps the
    // software cursor intact, like Nimbrel.Blit.
    void Rect(SDL_Surface* surface, int x1, int y1, int x2, int y2, Uint32 colour);

    // Single pixels in every depth. lock = 1 locks around the access; callers drawing many pixels
    // lock once around the batch and pass 0. PutPixel ignores points outside the surface or its
    // clip rectangle; GetPixel gives 0 for points outside the surface and for a null surface.
    void PutPixel(SDL_Surface* surface, int x, int y, Uint32 colour, Uint8 lock);
    Uint32 GetPixel(SDL_Surface* surface, int x, int y, Uint8 lock);

private:
    struct Private;
    Private* priv;
};
extern class IPrimitives* IPrimitives;

// =================================================================================================
// Screen effects (drawing)
// =================================================================================================
//
// IScreenFX mirrors, resizes, zooms and rotates a rectangle of a surface. Every operation follows
// the same rules:
//   - A null source gives null, and so does a source equal to the destination: nothing is
//     transformed in place. Neither is logged.
//   - The source rectangle (null: the whole surface) has x and y clamped into the surface and its
//     width and height cut to the part inside. When nothing is left the result is null.
//   - The new surface is a software surface with the source's depth and colour masks, and for 8
//     bits the source's palette. Resize, Zoom and RotoZoom work on 16- and 24-bit sources through a
//     32-bit copy of the rectangle, so their results are 32-bit. The new surface keeps the source's
//     colour key (converted when the depth changed) and a surface alpha below 255; without a key
//     its format's colorkey member is 0xFFFFFFFF.
//   - Without a destination the new surface is returned and the caller owns it. With one, the new
//     surface is drawn onto it with Nimbrel.Blit (which keeps the software cursor intact on the
//     screen) and freed, and the destination is returned. The destination rectangle gives only the
//     point; it is not changed.
//   - A result larger than 16384 pixels a side or 256 MiB, or with rows too long for SDL's 16-bit
//     pitch, is refused before any memory is taken, with
//     " . [IScreenFX->Zoom()] Error: a 20000x30 surface is too large.\n" (each operation names
//     itself; the size is printed with "%.6g"). Other failures log " . [IScreenFX->Zoom()] Error: "
//     and "the new surface could not be made: <SDL's error>\n", "the pixels could not be
//     reached.\n" or "out of memory.\n". All give null.
//   - Under the OpenGL renderer a texture source with a destination is drawn by the backend,
//     transformed, straight onto the screen (whatever destination was passed): no pixel work.
//
// Creating the object also creates the shared IPrimitives when none exists yet (the effects lock
// surfaces through it); the object then deletes it again with itself.
class IScreenFX {
public:
    IScreenFX();
    ~IScreenFX();
    IScreenFX(const IScreenFX&) = delete;
    IScreenFX& operator=(const IScreenFX&) = delete;

    // Mirror left-right: pixel i of each row goes to width - 1 - i (the bytes inside a pixel keep
    // their order). Drawn at the destination point.
    SDL_Surface* FlipX(SDL_Surface* source, const SDL_Rect* sourceRect, SDL_Surface* destination = nullptr,
                       const SDL_Rect* destinationRect = nullptr);
    // Mirror top-bottom: row j is row height - 1 - j. Drawn at the destination point.
    SDL_Surface* FlipY(SDL_Surface* source, const SDL_Rect* sourceRect, SDL_Surface* destination = nullptr,
                       const SDL_Rect* destinationRect = nullptr);

    // Scales the rectangle to |newWidth| x |newHeight| (each at least 1); a negative size mirrors
    // along that side. smooth nonzero blends neighbouring pixels (bilinear; 8-bit sources always
    // take the nearest pixel). Drawn centred on the place the unscaled rectangle would take: at
    // the destination point plus ((rectangle width - new width) / 2, (rectangle height - new
    // height) / 2).
    SDL_Surface* Resize(SDL_Surface* source, const SDL_Rect* sourceRect, int smooth, int newWidth, int newHeight,
                        SDL_Surface* destination = nullptr, const SDL_Rect* destinationRect = nullptr);
    // Resize to (int)(width x zoomX) by (int)(height x zoomY), a size of 0 made 1.
    SDL_Surface* Zoom(SDL_Surface* source, const SDL_Rect* sourceRect, int smooth, double zoomX, double zoomY,
                      SDL_Surface* destination = nullptr, const SDL_Rect* destinationRect = nullptr);

    // Turns the rectangle counter-clockwise by `angle` degrees and scales it by `zoom` (below 0.001
    // it is 0.001). Under 0.001 degrees this is Zoom. The result is just large enough for the
    // turned rectangle: a 40x20 rectangle turned by 90 degrees gives 21x41. Where the rectangle
    // does not cover it, the result is transparent: zero (with an alpha channel), otherwise the
    // source's colour key, or a key of its own (255 for 8 bits, 0xFF00FF otherwise) that the
    // result then carries. smooth blends as Resize does. Drawn centred like Resize. The OpenGL
    // shortcut returns null although it has drawn.
    SDL_Surface* RotoZoom(SDL_Surface* source, const SDL_Rect* sourceRect, int smooth, double angle, double zoom,
                          SDL_Surface* destination = nullptr, const SDL_Rect* destinationRect = nullptr);
    // RotoZoom with zoom 1.
    SDL_Surface* Rotate(SDL_Surface* source, const SDL_Rect* sourceRect, int smooth, double angle,
                        SDL_Surface* destination = nullptr, const SDL_Rect* destinationRect = nullptr);

private:
    bool ownsPrimitives; // this object created the shared IPrimitives
    struct Private;
    Private* priv;
};
extern class IScreenFX* IScreenFX;

// =================================================================================================
// Sound and music (sound)
// =================================================================================================
//
// Sound effects and music read from DPF packages and played through SDL_mixer. Loaded items live
// in two process-wide tables and are known by their index: music 0..31, sounds 0..255; a load
// gives -1 on failure.
//
// Sound effects ("SND" blocks: WAV and the other formats the mixer loads as chunks) are decoded
// completely at load time and play on mixer channels. Music ("MUS" blocks) comes in two kinds:
//   - Ogg Vorbis is opened at load time and decoded by the mixer while it plays, straight from
//     the bytes read from the package, which the entry keeps until it is deleted;
//   - anything else (tracker modules...) is checked at load time and then kept as bytes, and is
//     decoded only when played. At most one module is decoded at a time: playing a module frees
//     the decoded music of any other module, which is decoded again from its start when it is
//     played next.
//
// Until Init opens the audio device (or after Disable) every operation is a silent no-op: loads
// give -1, plays and deletes do nothing, SoundPlaying gives 0. The engine disables sound when it
// starts, so an application that does not open the device plays nothing.
//
// Every loaded sound gets the configured sound volume (Nimbrel.soundVolume; the mixer plays
// values above 128 at full volume). At shutdown the interface frees whatever the application
// left loaded and logs how many sounds and music it found.
class ISoundFX {
public:
    static const int kMaxMusic = 32;
    static const int kMaxSounds = 256;

    ISoundFX();
    ~ISoundFX();
    ISoundFX(const ISoundFX&) = delete;
    ISoundFX& operator=(const ISoundFX&) = delete;

    // ---- Device ---------------------------------------------------------------------------------
    // Opens the audio device: frequency in Hz, SDL audio format code (0x8010 is signed 16-bit
    // little-endian), channels, mixer buffer in bytes. False (and nothing changes) on failure;
    // SDL_GetError says why.
    bool Init(int frequency, Uint16 format, int channels, int chunkSize);
    // Switches sound off without touching the device, so every later call is a silent no-op.
    void Disable();
    // 1 while sound is on, else 0.
    int IsInitialized() const;
    // Closes the device when sound is on. Loaded items stay in the tables until deleted.
    void Quit();

    // ---- Loading --------------------------------------------------------------------------------
    // Load a "MUS" or "SND" block from an open package. The index, or -1 (the reason is logged).
    int MusicLoad(int package, const char* name);
    int SoundLoad(int package, const char* name);
    // The same from a package file, opened and closed around the load. -1 also when the package
    // cannot be opened.
    int MusicLoad(const char* packageFile, const char* name);
    int SoundLoad(const char* packageFile, const char* name);

    // ---- Playing --------------------------------------------------------------------------------
    // Starts a music, replacing the one playing; loops -1 repeats forever. 0 on success, -1 when
    // the mixer fails; 0 also for an index that holds no music, which is ignored.
    int MusicPlay(int index, int loops);
    // Plays a sound on a mixer channel (-1: the first free one); loops -1 repeats forever. An
    // index or channel that holds nothing is ignored.
    void SoundPlay(int channel, int index, int loops);
    // Nonzero while the channel plays (channel -1: the number of channels playing).
    int SoundPlaying(int channel);

    // ---- Releasing ------------------------------------------------------------------------------
    // Stop and free one item. An index that holds nothing is ignored.
    void SoundDelete(int index);
    void MusicDelete(int index);

private:
    void CloseDevice();
    struct Private;
    Private* priv;
};
extern class ISoundFX* ISoundFX;

// =================================================================================================
// Network and the video shell (network)
// =================================================================================================
//
// INetwork is a TCP server for up to 16 clients, a client of one server, or both in one process.
// Both ends exchange DataNet packets: a type, a command, a sequence value, a checksum and a
// payload of any size up to a limit (1 MiB unless SetMaxPayload says otherwise).
//
// A typical server:
//     INetwork->Init("server.log");
//     INetwork->ServerStart(4600);
//     // every frame:
//     DataNet in; char who[INetwork::kNameSize];
//     while (INetwork->ServerReceive(&in, who)) { /* ... */ free(in.data); }
//     INetwork->Broadcast(&out);
//     // at the end:
//     INetwork->Quit();
// and a client:
//     INetwork->Init("client.log");
//     if (!INetwork->ClientConnect("192.168.1.20", 4600, "Ada")) { /* the log says why */ }
//     INetwork->ClientSend(&out);
//     while (INetwork->ClientReceive(&in)) { /* ... */ free(in.data); }
//
// Threads. The server and the client each receive on a thread of their own, which checks every
// packet and queues it; the application takes packets from the queues (ServerReceive,
// ClientReceive) on its own thread, without waiting unless it asks to. Sending happens on the
// caller's thread, one packet at a time. A peer that sends garbage, stops half-way through a
// packet or disconnects never holds up the others. A receiving thread stops reading while its
// queue holds more than 16 MiB (or four maximum payloads), so read the queues regularly.
//
// Logs. Failures of the calls themselves go to the engine log; what the receiving threads see
// (logins, departures, dropped packets) goes to the network log, a second ILogSystem owned by
// INetwork (GetLog). The receiving threads write to both logs, so neither should send its
// lines to the console.
//
// The wire format, for programs that speak it without the engine (all numbers little-endian):
//     offset 0  1 byte   type      32 is the layer's own (system packets)
//            1  1 byte   command
//            2  2 bytes  sequence  low 16 bits of the next number of the sender's MT19937
//                                  generator for this connection (system commands 34, 36 and 38
//                                  carry a value of their own and draw nothing)
//            4  4 bytes  size      of the payload that follows the header
//            8  4 bytes  checksum  CRC-32 of the 12 header bytes with this field 0, plus CRC-32
//                                  of the payload, added as 32-bit numbers; 0 in system packets
//           12  size     payload
// The header and the payload are each scrambled before sending: every whole 32-bit little-endian
// word XOR 0x5C2E9B17, each remaining byte XOR 0x4A.
// Login: the client sends command 34 with its name (1 to 31 printable characters and a NUL);
// the server answers 36 with a 4-byte seed, with which both ends seed all four generators of the
// connection (one per direction at each end), or 38 with the reason in the sequence field (1 the
// server is full, 2 the name is invalid or taken) and closes. A client that has not logged in
// within the timeout is disconnected. The server tells every client when another leaves (42,
// payload: the name and its NUL) and tells a client it is being logged out (44). Receivers check
// the sequence value of every packet that draws one except 42 and 44, which can reach a client
// before its login completes; they still draw for them. A packet with a wrong checksum or
// sequence value is dropped and logged; a payload above the limit ends the connection.

#include <SDL_net.h>

// A packet as the application sends and receives it.
struct DataNet {
    Uint8 type;  // chosen by the application; 32 is reserved for the layer
    Uint8 cmd;   // command within the type
    Uint16 aux;  // sequence value, set by every send (system commands 34, 36, 38 keep theirs)
    Uint32 size; // payload bytes; 0 for none
    Uint32 crc;  // checksum, set by every send
    // The payload. Sending scrambles it in place while it goes out and puts it back before
    // returning, so no other thread may use the buffer meanwhile. A received payload is
    // allocated with malloc and belongs to the application: release it with free(). Null when
    // size is 0.
    Uint8* data;
};

// What one side has sent since INetwork was created.
struct DataNetCounters {
    Uint64 bytesSent;     // headers included
    Uint32 systemPackets; // type 32
    Uint32 type64Packets; // type 64
};

// TCP client and server.
class INetwork {
public:
    static constexpr int kMaxClients = 16;
    static constexpr int kNameSize = 32; // a name of at most 31 characters and its NUL
    static constexpr Uint8 kSystemType = 32;
    // The system packets the receive functions hand over, besides the application's own.
    enum SystemCommand {
        kLogin = 34,     // server side: a client logged in (payload: its name)
        kDeparted = 42,  // a client left: on the server, one of its clients; on a client, another
                         // client of the same server (payload: its name)
        kLoggedOut = 44, // client side: the server logged this client out; the client has stopped
    };
    enum Sender { kClient = 0, kServer = 1 };

    INetwork();
    // Stops whatever still runs, with a warning for each: call Quit first.
    ~INetwork();
    INetwork(const INetwork&) = delete;
    INetwork& operator=(const INetwork&) = delete;

    // ---- Starting and stopping ------------------------------------------------------------------
    // Starts SDL_net and the network log: logFileName is created anew with lines up to logLevel
    // (0..5); null leaves the network log as it is (set it up through GetLog). 1 on success
    // (also when already initialised), 0 on failure.
    int Init(const char* logFileName = "Network.log", int logLevel = 2);
    // Closes the client and the server, then SDL_net.
    void Quit();

    // Listens on a TCP port (1..65535) of every interface and starts the server's receiving
    // thread. 1 on success, 0 on failure.
    int ServerStart(Uint16 port);
    // Logs every client out (each is told, and the others hear of it), closes the listening
    // socket and stops the receiving thread, waiting for it at most 550 ms. Nothing happens when
    // the server does not run.
    void ServerClose();

    // Connects to a server, logs in under `name` (1 to 31 printable characters, unique on that
    // server) and starts the client's receiving thread. Waits for the server's answer at most the
    // timeout. 1 on success, 0 on failure (refusals included).
    int ClientConnect(const char* host, Uint16 port, const char* name);
    // Disconnects and stops the receiving thread, waiting for it at most 550 ms. The server sees
    // the client leave. Nothing happens when the client does not run.
    void ClientClose();

    // 1 while the server listens / while the client is connected, else 0. A client logged out by
    // its server, or whose connection broke, stops by itself.
    int IsServerRunning() const;
    int IsClientRunning() const;

    // ---- Sending --------------------------------------------------------------------------------
    // Each returns what SendDataNet returns, or 0 (logged) when there is no such connection.
    int ClientSend(DataNet* packet);
    int ServerSend(const char* clientName, DataNet* packet);
    // Server side: sends to every client except `excluded` (an index; -1 for none), or only to
    // client `only` when it is not -1. Each client that cannot be reached is logged in the
    // network log, and the others still get the packet.
    void Broadcast(DataNet* packet, int excluded = -1, int only = -1);
    // Sends one packet on a socket: the header, then the payload. sender is kClient (the sequence
    // value comes from the client's generator) or kServer (from the generator of the client whose
    // socket it is). Sets the packet's aux and crc. The result of the last SDLNet_TCP_Send (12
    // for a packet without payload, else its size), or 0 on failure (logged).
    int SendDataNet(TCPsocket socket, DataNet* packet, int sender);

    // ---- Receiving ------------------------------------------------------------------------------
    // Takes the oldest packet the server received (with the sender's name, when clientName,
    // kNameSize bytes, is given) or the client received. Waits up to waitMs milliseconds for one
    // when the queue is empty; 0 never waits. 1 when a packet was taken, 0 when none.
    int ServerReceive(DataNet* packet, char* clientName = nullptr, Uint32 waitMs = 0);
    int ClientReceive(DataNet* packet, Uint32 waitMs = 0);

    // ---- The server's clients -------------------------------------------------------------------
    // Clients are numbered 0..count-1 in the order they connected; when one leaves, those after it
    // move down one place. Clients still logging in have an empty name.
    int GetClientCount() const;
    // Copies a client's name (kNameSize bytes). 1, or 0 for an index out of range.
    int GetClientName(int index, char* name) const;
    // Logs a client out: tells it first when notify is nonzero, closes its connection and tells
    // the remaining clients. An index out of range, or a client still logging in, is ignored.
    void Logout(int index, int notify);

    // ---- Settings and state ---------------------------------------------------------------------
    // How long ClientConnect waits for the server's answer, and how long the server waits for a
    // new connection to log in (milliseconds; 2000 by default).
    void SetTimeout(Uint32 milliseconds);
    Uint32 GetTimeout() const;
    // The largest payload accepted from a peer (1..2^31-1 bytes; 1 MiB by default). A peer that
    // announces more is disconnected before anything is allocated.
    void SetMaxPayload(Uint32 bytes);
    Uint32 GetMaxPayload() const;
    // What kClient or kServer has sent.
    DataNetCounters GetCounters(int sender) const;
    // The network log.
    class ILogSystem& GetLog();

    struct Private;
private:
    Private* priv;
};
extern class INetwork* INetwork;

// The video playback interface's shell: the object exists, with its playback state cleared (no
// stream, no surface, position 0), and playback itself is not built.
class IVideo {
public:
    IVideo();
    ~IVideo();
    IVideo(const IVideo&) = delete;
    IVideo& operator=(const IVideo&) = delete;
private:
    struct Private;
    Private* priv;
};
extern class IVideo* IVideo;

// =================================================================================================
// Mouse cursor (cursor)
// =================================================================================================
//
// A software mouse cursor drawn by the engine in place of the system pointer. Up to 32 cursor
// images are kept in slots 0..31; one of them, once selected, is drawn at every render by the
// frame pump, just before the flip.
//
// Each image has a hot-spot code (HotSpot below) saying which of its points sits on the pointer;
// with the pointer at (x, y) and the image w by h, its top-left corner goes to (x, y) for the
// top-left corner, (x - w, y) for the top-right one, (x, y - h) bottom-left, (x - w, y - h)
// bottom-right, and (x - w/2, y - h/2) for the centre, halves rounded down.
//
// An image marked as having no colour key (0xFFFFFFFF, as IImage gives them) and without
// per-pixel alpha is made transparent where its pixels equal its top-left pixel.
//
// The drawn position lies between the mouse positions of the last two logic frames, as far along
// as the current render lies between them, so the cursor moves smoothly when rendering runs
// faster than the logic. The pointer is kept inside 0..width by 0..height, both ends included.
//
// On a single-buffered screen the cursor saves the screen area under it and puts it back before
// anything is drawn there, so it can move without the whole screen being redrawn. Drawing onto
// the screen through the engine (Nimbrel.Blit, IPrimitives->Rect, sprites, tiles, fonts) does
// this by itself. An application that draws under the cursor by other means calls
// ResetBackground afterwards. On a double-buffered or OpenGL screen, redrawn every frame, the
// cursor only draws.
//
// Typical use: Init once the screen exists, Load (or Create) the images, Select one.
class ICursor {
public:
    static const int kMaxCursors = 32;
    static const int kNoCursor = 255; // "no slot": the failure result of Create and Load
    // Hot-spot codes: the point of the image that sits on the pointer.
    enum HotSpot { kTopLeft = 0, kTopRight = 1, kBottomLeft = 2, kBottomRight = 3, kCentre = 4 };

    ICursor();
    ~ICursor();
    ICursor(const ICursor&) = delete;
    ICursor& operator=(const ICursor&) = delete;

    // Hides the system pointer, moves it to the centre of Nimbrel.screen, and keeps the pointer
    // inside the screen from then on. Needs the screen; call it again after a new video mode.
    void Init();

    // Copies `surface` into the first free slot with the given hot-spot code; the caller keeps its
    // surface. The code is read as a signed 8-bit value and limited to 0..4 (so 7 gives 4, and
    // 200, which reads as -56, gives 0). The slot index, or kNoCursor (before Init, without a
    // surface, with all 32 slots in use, or when the copy cannot be made).
    int Create(SDL_Surface* surface, int hotSpot);
    // Loads the "IMG" block `name` from a package file, in the format it is stored in, and creates
    // a cursor from it as Create does. The slot index, or kNoCursor.
    int Load(const char* packageFile, const char* name, int hotSpot);
    // Frees a slot. Deleting the current cursor takes it off the screen and leaves no cursor
    // selected, so nothing is drawn until another one is selected. An empty slot or an index
    // outside 0..31 is ignored.
    void Delete(int index);
    // Makes a loaded slot the current cursor, drawn from the next render on. Ignored before Init,
    // for an empty slot or an index outside 0..31, and for the slot that is already current.
    void Select(int index);
    // Switches saving and putting back the screen under the cursor on (nonzero) or off. Init
    // switches it on for a single-buffered screen; it is never on with OpenGL.
    void Enable(int on);

    // ---- Called by the engine -------------------------------------------------------------------
    // The frame pump hands over the mouse position of the previous logic frame at every logic
    // frame, and draws the cursor just before every flip.
    void SetLastPosition(int x, int y);
    void Draw();

    // Drawing that may cover the cursor asks it first to take itself down from `area` (an
    // SDL_Rect: x..x+w-1 by y..y+h-1; null for anywhere). 1 when the saved background was put
    // back, which happens only when the cursor's rectangle overlaps `area`, edges included: then
    // call SaveBackground once the drawing is done, and the cursor is drawn again at the next
    // render. 0 when the screen was not touched.
    int TakeDown(SDL_Rect* area);
    // Saves the screen under the cursor again.
    void SaveBackground();
    // Forgets the saved background and saves the screen under the cursor anew: call it after
    // redrawing the screen under the cursor by means that do not ask it to step aside.
    void ResetBackground();

    // ---- Queries --------------------------------------------------------------------------------
    // The current cursor's slot, or kNoCursor when none is selected.
    int GetCurrent() const;
    // The hot-spot code (0..4) of a loaded slot, or -1 for an empty slot or an index outside 0..31.
    int GetHotSpot(int index) const;
    // The screen rectangle the current cursor is drawn in (it may reach past the screen's edges);
    // all zero when none is selected.
    SDL_Rect GetRect() const;

    struct Private;
private:
    Private* priv;
};
extern class ICursor* ICursor;

// =================================================================================================
// Resources: sprites and tiles (resources)
// =================================================================================================
//
// Resource classes the application creates, loads from a package and draws. The main object
// counts the live ones and reports those left at Nimbrel.Quit.
//
// What sprites and tiles share:
//   - Loading needs a started engine. An object loads once; a second Load is refused with a
//     warning (delete it and create another).
//   - A package block is checked through before anything is taken from it: a block too short for
//     what it declares, or whose sizes do not fit together, is refused with "the sprite (tile)
//     block is damaged" and the reason, and the package is left as it was.
//   - A block of the old version 1.0 is converted once: the converted block is added to the
//     package under the current type, and the old one deleted. When that cannot be done (a
//     read-only package, a failed write) the load fails and the package keeps the old block.
//   - The image: an alpha channel with surface alpha 255 draws with per-pixel alpha and no colour
//     key; otherwise 32-bit images are kept as 24-bit copies, the stored surface alpha is set, and
//     the stored colour key keeps meaning the same colour in whatever format the surface ends up.
//     When a display exists the surface is converted to its format.
//   - While Nimbrel.lostSurfaceCheck is set when they load, they keep a pixel backup and restore
//     their surface when a blit finds it lost.
//   - Drawing onto the screen takes the software cursor down where it is drawn and saves its
//     background again afterwards. Drawing allocates no memory.

// An animated image: a sheet of equally sized frames, one row per animation, from a "SPR2" block
// (a legacy "SPR" block of that name is converted). Each Draw moves the current animation on when
// its frame has been shown long enough, and draws its frame at the position less the animation's
// hot spot.
//
// Animations (types 2 loop, 4 ping-pong, 8 play once) run from frame 0, or the frame stored as
// their current one, through their end frame - 1; a loop goes back to its loop start, a ping-pong
// turns there and at the last frame, a play-once stays on its last frame. An animation whose
// start frame equals its end frame is frozen. Stored values that would run an animation past its
// frames are mended at load: a frame count or end frame of 0 freezes the animation on frame 0, an
// end frame past the frames is cut to the frame count, and a start frame or loop start outside
// the animation freezes it on its start frame. Every frame of every animation lies in the sheet
// (or the block is refused).
//
// Background saving: on a single-buffered screen outside OpenGL (as the screen is when the sprite
// is created), a sprite drawn onto the screen puts back what its previous draw there covered
// before drawing again, so it can move over a still background without the screen being redrawn.
// Draws onto other surfaces leave the screen alone.
class CSprite {
public:
    CSprite();
    ~CSprite();
    CSprite(const CSprite&) = delete;
    CSprite& operator=(const CSprite&) = delete;

    // Loads the sprite from an open package; the label is shown in messages only. The number of
    // animations (at least 1), or 0 when the engine is not started, the handle is 0 or less, the
    // name or label is null, the sprite is loaded already, the block is missing or damaged, or a
    // legacy block cannot be converted. After a load the first animation runs from its loop start
    // and the position is the one stored.
    int Load(int package, const char* name, const char* label);
    // The same from a package file, opened and closed again around the load; 0 when it cannot be
    // opened.
    int Load(const char* packageFile, const char* name, const char* label);

    // Moves the sprite. With smooth > 0 the drawn position travels from the old position to the
    // new one as the logic frame advances (following Nimbrel's logic accumulator), reaching it
    // when the next logic frame begins; otherwise it jumps. Ignored while not loaded.
    void SetPosition(int x, int y, int smooth);
    // The sheet, or null while not loaded. It stays the sprite's.
    SDL_Surface* GetSurface() const;
    // The colour key as a pixel value in the sheet's format, 0xFFFFFFFF for none. Sprites drawn
    // with per-pixel alpha remember it without using it. Ignored while not loaded.
    void SetColorKey(Uint32 key);
    // Surface alpha 0..255, 255 opaque. Ignored for other values, while not loaded, and for
    // sprites drawn with per-pixel alpha.
    void SetAlpha(int alpha);

    // Draws the current frame onto `target`, or onto the screen for null, after the animation
    // step. 1 when the frame's time had passed (the frame moved on, or stays as the last frame of
    // a play-once), 2 when it had not or the animation is frozen, 0 when not loaded or there is
    // no screen.
    int Draw(SDL_Surface* target = nullptr);

    // Makes animation `index` (0 .. GetAnimationCount() - 1) the current one. A different one
    // starts again from its start frame; the current one goes on undisturbed. 1, or 0 while not
    // loaded or (with a warning) for an index the sprite does not have.
    int SetAnimation(int index);
    // The current animation and its frame (the one drawn last, or to be drawn first); the number
    // of animations; a frame's size. All 0 while not loaded.
    int GetAnimation() const;
    int GetFrame() const;
    int GetAnimationCount() const;
    int GetFrameWidth() const;
    int GetFrameHeight() const;

private:
    struct Private;
    Private* priv;
};

// A positioned image from a tile block, drawn whole or, as a tile set, one tile of a regular grid
// at a time. Block types come in the families "TILE" and "TILB"; the current version's type ends
// in "2" ("TILB2"), and a block of the version 1.0 type ("TILB") is converted.
class CTile {
public:
    CTile();
    ~CTile();
    CTile(const CTile&) = delete;
    CTile& operator=(const CTile&) = delete;

    // Loads block `name` of the given type family from an open package: "TILB" and "TILB2" both
    // find a "TILB2" block, or else convert a "TILB" one. A stored tile set becomes one when its
    // tile size divides the image (else the image is drawn whole). False when the handle is 0 or
    // less, the name or type is null (without a message), when the engine is not started, the tile
    // is loaded already, the type is not of either family, the block is missing or damaged, or a
    // version 1.0 block cannot be converted.
    bool Load(int package, const char* name, const char* type);

    // Draws onto `target`, or onto the screen for null, at the tile's position: the whole image,
    // or in tile set mode tile `number`, counted from 1 row by row. 1 when drawn; 0 when not
    // loaded, when there is no screen, or for a tile number below 1 or (with a warning) above the
    // tile count.
    int Draw(SDL_Surface* target, int number);

    // flag != 0: cuts the image into tiles of this size (0 counts as 1). True when they divide the
    // image's width and height; otherwise nothing changes. flag 0 returns to whole-image mode
    // (false). False while not loaded.
    bool SetTileset(int flag, int tileWidth, int tileHeight);
    // The number of tiles in tile set mode; 0 otherwise or while not loaded.
    int GetTileCount() const;

    // Position, surface (it stays the tile's) and image size. Ignored, null or 0 while not loaded.
    void SetPosition(int x, int y);
    SDL_Surface* GetSurface() const;
    int GetWidth() const;
    int GetHeight() const;
    int GetX() const;
    int GetY() const;

private:
    struct Private;
    Private* priv;
};


// =================================================================================================
// Bitmap fonts (resources)
// =================================================================================================
//
// A CFont draws text with a proportional bitmap font: one bitmap holding the glyphs of the codes
// 33 to 127 side by side. Its top row, the mark row, carries magenta (255, 0, 255) runs over the
// gaps between the glyphs, exactly 95 of them, the first at column 0: the glyph of code 33 + i lies
// between run i and run i + 1, the glyph of code 127 after the last run. From the runs the font
// works out once where each glyph's picture is (from the middle of one run to the middle of the
// next) and how far it moves the pen; the mark row itself is never drawn. The bottom-left pixel
// is the transparent colour, unless the bitmap has an alpha channel.
//
// Text is single-byte: a space moves the pen by the space width (the advance of 'a', else 'A',
// else '0'); codes 33 to 127 draw their glyph and move the pen by its advance plus the spacing;
// every other code (below 32, and 128 to 255) draws nothing and moves nothing.
//
// Packages store fonts as "FONT2" blocks (the bitmap with its pixel format and the spacing),
// which `dpf add-font` makes from a TrueType font or a drawn bitmap. A block of the older type
// "FONT" is rewritten as "FONT2" in its package the first time it is loaded.
//
// Printing allocates nothing and does one blit per glyph, taking the software cursor down around
// each one (like Nimbrel.Blit) and restoring lost video surfaces from the font's pixel backup.
// The main object counts live fonts (Nimbrel.liveFonts) and Nimbrel.Quit reports those left.
class CFont {
public:
    static const Uint8 kCreated = 96;  // Create's result on success
    static const Uint8 kRefused = 255; // Create's result when it refuses the surface outright

    CFont();
    // Releases the bitmap and its pixel backup.
    ~CFont();
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    // ---- Building and loading -------------------------------------------------------------------
    // Builds the font from a copy of the surface (the caller keeps its surface). When the top-left
    // pixel is not magenta the bitmap has no mark row and CreateUpperMark draws one into the copy.
    // The copy is converted to the display format when a display exists. kCreated on success;
    // kRefused when the engine is not started, the font is loaded already, the surface is missing,
    // 8-bit or cannot be copied; otherwise a number telling why the mark row was refused: the
    // number of runs found (not 95; at most 254), or half of CreateUpperMark's count when that was
    // not 189. Only a loaded font (GetSurface) tells success apart from a row of 96 runs.
    Uint8 Create(SDL_Surface* surface);
    // Marks every column of the surface without ink (a pixel that is nonzero with nonzero alpha)
    // magenta in its top row. Returns the number of columns whose ink differs from the column
    // before (the column before the first counting as ink), in 8 bits: 189 for 95 glyphs separated
    // by empty columns, starting at column 0 and followed by an empty column. The first glyph then
    // lies left of the first run and is never drawn.
    static Uint8 CreateUpperMark(SDL_Surface* surface);
    // Loads the "FONT2" block `name` (or a "FONT" block, which is rewritten as "FONT2" in the
    // package first) from an open package. The font takes the block's name. 1 on success, 0 on
    // failure: a handle of 0 or less, an engine not started, a font loaded already, no such block,
    // a damaged block, a "FONT" block that cannot be rewritten, or a bitmap Create refuses.
    int Load(int package, const char* name);
    // The same from a package file, opened and closed around the load. 0 also when the package
    // cannot be opened.
    int Load(const char* packageFile, const char* name);

    // ---- Printing -------------------------------------------------------------------------------
    // Draws the text with its first glyph's pen position at x and its top at y. With a clip
    // rectangle, every glyph is cut to it on all four sides. Nothing happens when the font is not
    // loaded or the surface or text is missing or empty.
    void Print(SDL_Surface* surface, int x, int y, const char* text, SDL_Rect* clip = nullptr);
    // For input boxes: when show is nonzero, first draws the cursor character '|' after the first
    // `count` characters of the text (all of them when the text is shorter), under the text and
    // clipped like it; then prints the whole text.
    void PrintCursor(SDL_Surface* surface, int x, int y, const char* text, int count, SDL_Rect* clip = nullptr,
                     int show = 1);

    // ---- Measuring and state --------------------------------------------------------------------
    // The width of the text's first 255 characters: each glyph's advance, plus the spacing after
    // every glyph but the text's last character, plus the space width for each space. 0 when the
    // font is not loaded or the text is missing or empty.
    int GetTextWidth(const char* text) const;
    // The glyph height (the bitmap's height without the mark row), the spacing, and the bitmap
    // (owned by the font); 0 or null when the font is not loaded.
    int GetHeight() const;
    int GetSpacing() const;
    SDL_Surface* GetSurface() const;
    // The font's name: "Created on execution time" for a font made by Create, the block name for
    // one loaded. SetName takes a name of at most 31 characters, and only once the font is loaded;
    // GetName gives null while it is not.
    void SetName(const char* name);
    const char* GetName() const;
    // Surface alpha for a font without an alpha channel: 255 opaque (the default) down to 0.
    // Ignored when the font is not loaded, has an alpha channel, or the value is outside 0..255.
    // Crossing 255 on a screen in video memory converts the bitmap again (with a warning).
    void SetAlpha(int alpha);
    // The character PrintCursor draws as the text cursor ('|' unless set).
    void SetCursorCharacter(Uint8 character);

    // ---- Pixels ---------------------------------------------------------------------------------
    // Raw pixel access at 1, 2, 3 and 4 bytes per pixel, locking the surface when SDL requires it.
    // Get logs and gives 0 for a missing surface or a point outside it; Set ignores such a point.
    static Uint32 CFontGetPixel(SDL_Surface* surface, int x, int y);
    static void CFontSetPixel(SDL_Surface* surface, int x, int y, Uint32 pixel);

    struct Private;

private:
    friend struct FontInternals; // the engine's own font code beside this class
    Private* priv;
};

// =================================================================================================
// Buttons (widgets)
// =================================================================================================
//
// IButton keeps every widget of the application in fixed tables allocated once: eight layers of
// 32 working buttons, and 100 master buttons that are only templates for cloning. Seven kinds of
// widget share one record: normal button, icon (deprecated, behaves as a normal button), complex
// button, slider, progress bar, check button and input box.
//
// Identifiers: the working button in slot s (0..31) of layer L (0..7) is L x 100 + s + 1, so 1..32
// in layer 0 and 701..732 in layer 7; master m (0..99) is 1000 + m. -1 means "no button". An
// operation given an identifier that names no button in use does nothing and returns its failure
// value; masters are accepted wherever an identifier is taken.
//
// Images: a button named NAME is drawn from "TILB2" tiles of its package named NAME_n (normal),
// NAME_p (press), NAME_o (off) and, for complex buttons only, NAME_s (select). What each image
// shows per type:
//   normal   the button; a slider's track; a progress bar's filled cell; a check button unchecked;
//            an input box idle
//   press    the button held; a slider's knob; an empty cell; a check button checked; an input
//            box with the pointer over it
//   off      every type while disabled
// `dpf add-button` writes the "BUT" block and these tiles.
//
// Layers: the current layer (SetLayer) is where Create, Load and Clone put working buttons and
// what Remove empties. Only visible layers take input and are drawn, layers 0 to 7 in order and
// slots 0 to 31 inside each. Masters are never drawn and never take input.
//
// Each logic frame the frame pump runs UpdateStates, which turns the mouse and key fields of
// Nimbrel into button states; the application calls Draw once per loop, which draws the visible
// buttons, runs callbacks, lets a focused input box take typing and returns the button activated.
//
//   - Mouse: a button is Selected while the pointer lies strictly inside its hit box, Pressed while
//     a mouse button of its mask is held there, and activated (Action) at the first logic frame
//     after that mouse button is released there. Released outside, nothing is activated.
//   - Keys: a button with an associated key is Pressed while the key is held, and activated once
//     the key has been held more than 120 ms, then again about every 120 ms while held. A key
//     activation runs no callback and toggles no check button. Keys are ignored while an input box
//     has the pointer over it, so typing fires no shortcut.
//   - A disabled button (state kDisabled) takes no input and never activates; SetState with
//     another code enables it again. Every other state set from outside lasts only until the next
//     UpdateStates recomputes it, except on check buttons, whose check value is theirs to keep.
//   - Check buttons toggle their check value (kNormal unchecked, kPressed checked) once per mouse
//     click, in the Draw that reports the click (which still shows the old look). Radio groups and
//     tabs are check buttons the application sets with SetState after each click.
//   - Sliders: while held, Draw sets the value from the pointer, in 0..range; the knob is drawn
//     at track x + 25 + (track width - knob width - 50) x value / range. A slider whose range is 0
//     or less, or whose track is at most 50 pixels wide, keeps its value and draws its knob at
//     track x + 25.
//   - Input boxes take typing in Draw while the pointer is over them and they have a font
//     (SetFont): letters arrive as "a" to "z" whatever the shift state, digits and punctuation as
//     their unshifted characters, space, and backspace or delete erase the last character; a held
//     key repeats every 150 ms. The text stays within 31 characters and within the text area. The
//     box draws continuously (Nimbrel.SetUpdateMode(2)) while focused, to blink its cursor.
//   - Redraws: every state change asks for one (Nimbrel.SetUpdateMode(1)); Draw does nothing and
//     returns -1 while Nimbrel.GetUpdateMode() is 0.
//
// Clones share their master's images; the images are released with the last button that uses
// them, so a clone whose master was freed first still draws. At Nimbrel.Quit the engine warns
// about the buttons the application left, writes the full report (Dump) and releases them.
//
// No operation allocates memory except Create (and Load), which loads the images.

// The descriptor of a button, Create's argument. Packages store it as the 24-byte "BUT" block
// named after the button (`dpf add-button` makes one); a button loaded from a block has no callback.
struct ButtonDesc {
    typedef void (*Callback)(Sint32 first, Sint32 second);
    Callback callback;   // run by Draw when a mouse click activates the button; may be null
    Uint16 key;          // associated SDL key code; 0 for none
    Uint8 type;          // IButton::kNormal ... IButton::kInput
    Uint32 selectColour; // 0x00RRGGBB of the outline drawn around a Selected normal button; 0 none
    Sint16 x, y;         // position; at (0, 0) the images keep their stored place until SetPosition
    Sint16 range;        // slider: steps; progress bar: cells; input box: vertical text margin
    Sint32 value;        // slider, progress bar: initial value; input box: horizontal text margin
};

class IButton {
public:
    // Button types.
    enum Type {
        kNormal = 1,   // "Normal button"
        kIcon = 2,     // "Icon (deprecated)": a normal button
        kComplex = 4,  // "Complex button": a fourth image for Selected; hit box one pixel larger
        kSlider = 8,   // "Slider"
        kProgress = 16,// "Progress bar"
        kCheck = 32,   // "Check button"
        kInput = 64,   // "Input box"
    };
    // Button states; check values use kNormal (unchecked), kPressed (checked) and kDisabled.
    enum State { kStateNormal = 1, kStateSelected = 2, kStatePressed = 4, kStateAction = 8, kStateDisabled = 16 };
    static const int kLayers = 8;
    static const int kButtonsPerLayer = 32;
    static const int kMasters = 100;
    static const int kFirstMaster = 1000;
    static const int kNameLength = 24; // longest button name
    static const int kTextLength = 31; // longest input box text

    // Makes the tables; layer 0 is current and the only visible layer.
    IButton();
    // Reports buttons the application left (a warning, then Dump(1)), removes every layer, then
    // frees the masters.
    ~IButton();
    IButton(const IButton&) = delete;
    IButton& operator=(const IButton&) = delete;

    // ---- Layers ---------------------------------------------------------------------------------
    // Makes `layer` (0..7) current and the only visible one. Ignored above 7.
    void SetLayer(Uint8 layer);
    // Shows (visible >= 1) or hides (visible <= 0) a layer without changing the current one.
    // Ignored above 7.
    void ShowLayer(Uint8 layer, Sint8 visible);
    // The current layer.
    int GetLayer() const;

    // ---- Creating and releasing -----------------------------------------------------------------
    // Creates a button named `name` (at most 24 characters) from the descriptor and the tiles
    // name_n, name_p, name_o (and name_s for a complex button) of an open package: a working
    // button in the lowest free slot of the current layer, or with `master` nonzero a master. The
    // identifier, or -1: wrong parameters (a null descriptor or name, a package handle of 0 or
    // less, a type that is not one of the seven, colour 0xFFFFFFFF), a name too long, no free
    // slot, or an image missing.
    int Create(const ButtonDesc* desc, const char* name, int master, int package);
    // Creates the button from the "BUT" block `name` of an open package. The identifier, or -1
    // (also for a block shorter than 24 bytes).
    int Load(int package, const char* name, int master);
    // The same from a package file, opened and closed around the load; 0 when it cannot be opened.
    int Load(const char* packageFile, const char* name, int master);
    // Copies a master into the lowest free slot of the current layer; the clone shares the
    // master's images. The new identifier, or -1.
    int Clone(int masterId);
    // Frees every button of the current layer.
    void Remove();
    // Frees master 1000..1099, master 0 for 0, or every master for a negative selector; other
    // values do nothing. Clones still made from a master are warned about and keep its images.
    void FreeMaster(int selector);
    // The masters plus the working buttons plus the clones in use (a clone counts twice); with
    // print nonzero also writes the full report to the log.
    int Dump(int print);

    // ---- Frames ---------------------------------------------------------------------------------
    // The input pass; the frame pump runs it at every logic frame.
    void UpdateStates();
    // The drawing pass: the identifier of the last button (in scan order) activated at the last
    // logic frame, or -1 (also without a screen, logged, and when no redraw is due).
    int Draw();

    // ---- Buttons --------------------------------------------------------------------------------
    // Sets a state code (1, 2, 4, 8, 16; others are ignored). On a check button 1 unchecks and 4
    // checks it, 16 disables it keeping its check value, and any other code on a disabled check
    // button restores that value.
    void SetState(int id, int state);
    // A check button's check value (1, 4, or 16 while disabled), any other button's state; -1.
    int GetState(int id);
    // A slider's or progress bar's value, limited to 0..range; other types are left alone.
    void SetValue(int id, int value);
    // A slider's or progress bar's value; -1 for other types.
    int GetValue(int id);
    // Moves the button and its images and recomputes its hit box from the normal image's size.
    void SetPosition(int id, int x, int y);
    // The surface of the image drawn in a state: 1 normal, 2 select, 4 press, 16 off. Null for
    // another code or an image the button lacks. It stays the button's.
    SDL_Surface* GetSurface(int id, int state);

    // The callback run when a mouse click activates the button, with the two arguments given
    // here (both 0 after Create). A null callback removes it.
    void SetCallback(int id, ButtonDesc::Callback callback, Sint32 first, Sint32 second);
    // Which mouse buttons can press and activate the button: bit 0 left, bit 1 middle, bit 2
    // right (SDL_BUTTON(n)). Only the left one counts after Create; other bits are ignored.
    void SetMouseMask(int id, Uint32 mask);

    // ---- Input boxes ----------------------------------------------------------------------------
    // The font the box prints its text with and measures typing against; the caller keeps it
    // alive while the box uses it. Without a font the text is neither drawn nor typed into.
    void SetFont(int id, CFont* font);
    // Replaces the text (cut to 31 characters). Ignored for other types.
    void SetText(int id, const char* text);
    // The text (owned by the button, valid until it changes); null for other types.
    const char* GetText(int id);

    struct Private;
private:
    Private* priv;
};
extern class IButton* IButton;

// =================================================================================================
// Developer overlays: simple window, console, debug window (widgets)
// =================================================================================================
//
// Translucent windows drawn over the game by the frame pump. The engine makes one console and one
// debug window (see Nimbrel.GetConsole); a game may derive its own windows from cSimpleWin.
//
// A typical game, after Nimbrel.SetVideoMode:
//     Nimbrel.GetConsole()->Enable();                         // back-quote opens it
//     Nimbrel.GetDebugWindow()->AddWatch("fps", &fps, nullptr);
//     Nimbrel.GetDebugWindow()->Enable();
//     Nimbrel.GetDebugWindow()->Show(1);                      // drag it with the mouse
//     ILogSystem.Init("game.log", ILogSystem::kOutputNewFile | ILogSystem::kOutputConsole, 2, "Game");
// With the console output bit the log's lines appear in the console too (once it is enabled).
// The pump draws the overlays after the render callback, over whatever the game drew, whenever
// they ask for it (a change, a fade, the blinking text cursor); a game that redraws its whole
// screen at every render calls Nimbrel.SetUpdateMode(2) so that they are drawn at every render
// (a double-buffered screen has that already).

// The base of the overlays: a rectangle at least 150 x 100 with a background (a colour, or an image
// resized to the window), a title, text lines (at most kMaxLines, the oldest dropped first), a font
// (the built-in one until the window is given another), and an alpha value that fades in and out
// over one second of engine time. While not enabled, every setter, Update and Draw do nothing.
class cSimpleWin {
public:
    // Feature bits.
    enum Feature {
        kFeatureFixed = 1,   // the back-quote key does not toggle it
        kFeatureNoInput = 2, // the console has no input line
        kFeatureNoFade = 4,  // Show acts at once
    };
    static constexpr int kMinWidth = 150, kMinHeight = 100;
    static constexpr int kMaxLines = 2000;
    // Fade states, as IsShown gives them.
    enum FadeState { kHidden = 0, kShown = 1, kFadingIn = 33, kFadingOut = 223 };

    // At (0, 0), 150 x 100, hidden, alpha 128, the built-in font (when IImage exists).
    cSimpleWin();
    virtual ~cSimpleWin();
    cSimpleWin(const cSimpleWin&) = delete;
    cSimpleWin& operator=(const cSimpleWin&) = delete;

    // Once per logic frame: runs the fades. True while the window is enabled and shown (or fading).
    virtual bool Update();
    // Switches the window on when it can be drawn: it needs the screen, a size of at least
    // 150 x 100, a background and a font; otherwise a warning says what is missing. 1 or 0.
    virtual bool Enable();
    // Draws the window onto the screen (the frame pump calls it for the engine's windows).
    virtual void Draw() = 0;
    // Recomputes the text area after a move or a resize.
    virtual void Relayout() = 0;

    void Disable();
    bool IsEnabled() const;

    // A negative coordinate keeps the current one; others are limited so the window stays on the
    // screen.
    void Move(int x, int y);
    void GetPosition(int* x, int* y) const;
    // A width below 150 or height below 100 keeps that side; larger ones are limited to the screen.
    void Resize(int width, int height);
    void GetSize(int* width, int* height) const;

    // A plain background, as a pixel value of the screen's format or as red, green and blue.
    // False when not enabled or the surface cannot be made (the old background stays).
    bool SetBackgroundColor(Uint32 pixel);
    bool SetBackgroundColor(Uint8 red, Uint8 green, Uint8 blue);
    Uint32 GetBackgroundColor() const;
    // A background image (a copy is kept; the caller keeps its surface), resized smoothly to the
    // window now and at every Resize. False when not enabled or it cannot be made.
    bool SetBackgroundImage(SDL_Surface* image);

    // The opacity, 64 (at least) to 255. Ignored while not enabled.
    void SetAlpha(Uint8 alpha);
    Uint8 GetAlpha() const;

    // show > 0 shows the window with a one-second fade-in, 0 hides it with a fade-out (at once
    // with kFeatureNoFade). Ignored while not enabled, while a fade runs, and when nothing changes.
    void Show(Uint8 show);
    // The fade state: nonzero while shown or fading.
    Uint8 IsShown() const;

    void SetTitle(const char* title);
    const char* GetTitle() const;
    Uint32 GetFeatures() const;
    void SetFeatures(Uint32 features);
    // The window's font (the built-in one, named "VXQR builtin font"); owned by the window.
    CFont* GetFont() const;

    // The text lines, oldest first (index 0). Null for an index out of range.
    int GetLineCount() const;
    const char* GetLine(int index) const;

    struct Private;

protected:
    // Appends a line (the oldest is dropped when kMaxLines are kept) and clears them all.
    void AddLine(const char* text);
    void ClearLines();
    // Sets the background surface's and the font's alpha: a value, or -1 for the stored alpha.
    void ApplyAlpha(int value);
    // The window's rectangle on the screen, the clip of all its drawing.
    SDL_Rect Area() const;
    // Draws the background at the window's place, keeping the software cursor intact.
    void DrawBackground();

    Private* priv;
};

// The drop-down developer console: the top third of the screen, text lines, an input line with
// history (Up and Down) and named commands. Typing reads the key table of the logic frames;
// Return runs the line. "help" lists the commands; "con" controls the console itself (alpha,
// clear, color, features, hide, history clear|save FILE, move, resize, save FILE). The save
// commands write plain text, one line per console line or history entry, replacing the file in
// one step. Each command's answer and " Syntax error or command not found" for unknown commands or
// commands with too few words are printed as console lines.
class cConsole : public cSimpleWin {
public:
    // A command handler gets the words of the line (words[0] is the command's name) and returns
    // nonzero when it handled them, 0 for a syntax error.
    typedef int (*CommandHandler)(void* context, int wordCount, const char* const* words);
    // The input line's prompt and the longest line the history or input keep.
    static constexpr int kMaxInput = 1024;

    // The process's console: the target of the log's console output. The title may be null.
    explicit cConsole(const char* title = nullptr);
    ~cConsole() override;

    bool Update() override;
    bool Enable() override;
    void Draw() override;
    void Relayout() override;

    // Prints one line, printf-style, only while enabled.
    void Print(const char* format, ...) NIMBREL_PRINTF(2, 3);
    void PrintV(const char* format, va_list args);
    // 0 when an argument is missing or a command of that name exists (names are case-sensitive);
    // otherwise 1.
    int RegisterCommand(const char* name, const char* help, CommandHandler handler, void* context = nullptr);
    // Runs a command line as if typed (without echoing it).
    void Execute(const char* line);
    void AddHistory(const char* text);

    // The input line (">" and the typed text), the text cursor's position in it (1 = after the
    // prompt), and the history, oldest first.
    const char* GetInput() const;
    int GetCursor() const;
    int GetHistoryCount() const;
    const char* GetHistory(int index) const;

    struct ConsoleState;

private:
    friend struct ConsoleInternals; // the console's own commands
    ConsoleState* state;
};

// The watch window: named integers and floating-point values of the game, shown as a flowing list
// and refreshed twice a second. Controlled by the console command "debug" (alpha, color, enable,
// hide, show, list, move, remove, resize) and dragged with the mouse while shown.
class cDebugWO : public cSimpleWin {
public:
    // With a console, registers "debug" there and prints its answers there. The title may be null.
    explicit cDebugWO(cConsole* console = nullptr, const char* title = nullptr);
    ~cDebugWO() override;

    bool Update() override;
    void Draw() override;
    void Relayout() override;

    // Watches the variables (either may be null, not both); the game keeps them alive while
    // watched. 1, or 0 for a missing name or no variable.
    int AddWatch(const char* name, const Sint32* integer, const double* value);
    // Removes the first watch of that name; true when one was removed.
    bool RemoveWatch(const char* name);
    int GetWatchCount() const;

    struct DebugState;

private:
    friend struct DebugInternals; // the "debug" command
    DebugState* state;
};

#endif // NIMBREL_H
