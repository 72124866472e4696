#pragma once

#include <cstddef>
#include <cstdint>

// Caps on what readers of outside bytes may decode: every size, count and length a file, stream
// or packet states is checked against one of these before anything is allocated for it. Each
// says what it protects. Limits of what a widget displays stay beside the widget.
namespace heron::limits
{

// Images

// Width or height of the largest image the program makes (Image refuses a larger one, so every
// decoder and resize inherits it): protects memory.
constexpr int maxImageSide = 1 << 20;
// Pixels of the largest image the program makes: protects memory (2^26 pixels take 256 MiB).
constexpr std::int64_t maxImagePixels = std::int64_t{1} << 26;
// Width or height of a picture the toolkit's GIF reader accepts: protects memory.
constexpr int maxGifSide = 16384;
// Pixels of a picture the toolkit's GIF reader accepts: protects memory (the largest picture's
// indices and pixels take 80 MiB).
constexpr std::int64_t maxGifPixels = std::int64_t{4096} * 4096;
// Width or height of an image the content layer's decoders (GIF, SGI, JPEG) accept: protects
// memory (the largest image's pixels take 64 MiB).
constexpr int maxDecodedImageSide = 4096;
// Bytes of an image file the content layer reads whole before decoding it: protects memory.
constexpr std::uint32_t maxImageFileBytes = 256u << 20;
// The JPEG decoder's own working memory beside the image (a progressive file keeps the
// coefficients of the whole image until its last scan): protects memory; a file that needs more
// is refused before any scan is decoded.
constexpr std::size_t maxJpegWorkingBytes = std::size_t{64} << 20;
// Scans of a progressive JPEG file: protects the decoding time from a file of endless tiny scans.
constexpr int maxJpegScans = 500;
// Scans times pixels of a progressive JPEG file (each scan is decoded over the whole image, so at
// most about 100 scans of the largest image): protects the decoding time.
constexpr std::uint64_t maxJpegScanArea = 100 * std::uint64_t(maxDecodedImageSide) * maxDecodedImageSide;

// Sounds

// Channels of a decoded sound: the sound system plays interleaved mono or stereo only, and sizes
// its frames (2 or 4 bytes of 16-bit samples) by them.
constexpr std::uint32_t maxSoundChannels = 2;
// Highest sample rate of a decoded sound: protects the sizes computed from the rate (a second of
// samples is the feeder's ring, ten minutes the cap of a whole read).
constexpr std::uint32_t maxSampleRate = 192000;
// The most a whole read of a sound keeps, in seconds of its format and in bytes: protects memory
// from a sound whose stated length (or endless stream) would fill it.
constexpr std::uint32_t maxSampleSeconds = 600;
constexpr std::size_t maxSampleBytes = std::size_t{64} << 20;

// Data files, packed files and stored streams

// Longest string read from a source that cannot tell how many bytes it has left: the memory a
// damaged length can claim before the bytes run out.
constexpr std::uint32_t maxUnboundedStringLength = 16u << 20;
// Largest file a file source opens: its positions and sizes are 32-bit.
constexpr std::uint64_t maxFileSourceSize = 0xFFFFFFFF;
// Deepest nesting of object-graph streams on one thread (a body holding a stream of its own,
// read or written): the stack a stream can take.
constexpr int maxStreamNesting = 64;
// Most object and reference entries a stream reader makes room for before reading, however many
// bytes its source holds: the memory taken ahead of the records that would fill it.
constexpr std::uint32_t maxReservedStreamEntries = 1u << 22;
// Most memory a thread keeps from one object-graph read for the tables of its next (so that they
// land in memory already mapped): about the tables of a read of a million objects.
constexpr std::size_t maxKeptStreamTableBytes = std::size_t{64} << 20;
// Step by which a body read from a source of unknown size grows as its bytes arrive: a damaged
// body length allocates at most this much beyond the bytes there are.
constexpr std::uint32_t streamBodyChunk = 1u << 16;
// Longest member name of a packed data file, in bytes: the format's 16-bit length field. The
// packer refuses longer names.
constexpr std::uint32_t maxPackedNameLength = 0xFFFF;
// Most members a packed data file's directory may list: the memory a damaged directory can make
// its reader take, far beyond any world of the game.
constexpr std::uint32_t maxPackedMembers = 65536;
// Animation pairs a stored content database may list: the list is made at the stored count before
// its pairs are read, and each pair is searched for while the world is prepared, so the cap
// protects memory and preparation time.
constexpr std::uint32_t maxAnimationPairs = 1u << 16;

// Scenes

// Vertices, and patch nodes, of one patch cluster of a radiosity file: both are kept for the
// whole cluster, so this protects memory beside the check against the bytes left.
constexpr std::int64_t maxRadiosityClusterItems = std::int64_t{1} << 22;
// Levels of a radiosity file's patch tree (interior nodes inside one another): reading it,
// deriving its midpoints and emitting its triangles recurse over it, so this protects the stack.
constexpr int maxRadiosityPatchDepth = 64;
// Texture names of a radiosity file: each keeps a triangle list of its own from the start, so this
// protects memory from a file of empty lines.
constexpr std::uint32_t maxRadiosityTextureNames = 1u << 16;
// Stages of one act a look file may number: the stage table grows to the highest number given,
// so this protects memory from a damaged "index" line.
constexpr std::int32_t maxActStages = 1024;
// Stages that the "index" lines of one look file may add to all its acts together: each act may
// number up to maxActStages, so this protects memory from a file of short acts that each number
// the last.
constexpr std::size_t maxLookActStages = std::size_t{1} << 16;
// Levels and zones (over all its levels) one look file may make: each is made whole, sequencer,
// songs, act and particle system, from a line or two, so these protect memory and the time of
// the read; the ones after them are read and dropped.
constexpr int maxLookLevels = 256;
constexpr int maxLookZones = 4096;
// Largest magnitude of a real number in a look file (places, sizes, speeds, times): well past any
// world, and past the far clips of ten million and more that stand for none, yet small enough that
// its squares and products stay finite in single precision, so it cannot poison a frame.
constexpr double maxLookMagnitude = 1e9;
// Highest and lowest note a look file may give a sequencer step (ten octaves either way; the rest
// mark aside): further out a note is too short to hear or one held sample.
constexpr std::int32_t maxMotorNote = 70;
// Fastest tempo, in steps per minute, a look file may give a sequencer pattern: keeps the tempo
// arithmetic in range. Steps never get shorter than a few milliseconds, so faster ones sound alike.
constexpr std::int32_t maxMotorTempo = 60000;
// Stars of the sky a look file may ask for: each is made and placed when a zone switches them on,
// so this protects memory and the time of that frame.
constexpr std::int32_t maxSkyStars = 100000;
// Frame files a stored cycling-texture special lists (one folder of frames): protects memory
// from a damaged count.
constexpr std::uint32_t maxSpecialFrameFiles = 4096;

// Live particles of one particle system, whose birth rate and life come from look files:
// protects memory and each frame's simulation time from a huge rate; births past it are dropped.
constexpr int maxParticlesPerSystem = 1 << 16;
// Frames of a model's vertex animation (a frame cache's count, or frame files read from a
// folder): protects memory and the time of each frame's use.
constexpr std::uint32_t maxAnimationFrames = 4096;
// Positions in one animation frame: protects memory, a frame being made at its stated count.
constexpr std::uint32_t maxAnimationFrameVertices = 1u << 20;
// Positions in all frames of one model together (12 bytes each, so 96 MiB): protects memory.
constexpr std::uint64_t maxAnimationPositions = std::uint64_t{1} << 23;
// Records of a model-editor file nested inside one another (polygons in polygons, scene blocks,
// branch and engine trees): the reader and the engines' evaluation recurse over them, so this
// protects the stack.
constexpr int maxModelRecordNesting = 64;
// Highest material or texture index of a model-editor file (the format's own bound): the tables
// grow to the stated index, so this protects memory.
constexpr std::int32_t maxModelTableIndex = 100000;
// Positions of a model-editor file's shared vertex table and values of one of its list records:
// they are allocated at the stated count, so this protects memory.
constexpr std::int32_t maxModelVertexCount = 1 << 22;

// Levels of owners (objects, branches, bunches, cull tree nodes) below a stored scene's root: the
// engine walks its trees by recursion, so this protects the stack; a deeper stored tree is cut.
constexpr int maxSceneOwnerDepth = 1000;
// Segments of a stored Bezier path: protects memory and the time of every length query.
constexpr std::size_t maxPathSegments = std::size_t(1) << 16;
// Instances and external references nested inside one another in one walk of a scene (and boxes
// handed up through nested instances): protects the stack from long stored chains of them.
constexpr int maxInstanceNesting = 64;

// Network packets

// Bytes queued for one peer and not yet taken by its socket: protects memory from a peer that
// never reads; a peer whose backlog passes it is dropped.
constexpr std::uint32_t maxPeerBacklog = 1u << 20;

// Motion samples one replay queue holds. Samples with no time between them never start a replay,
// so a peer streaming them would grow the queue without end: protects memory. At the cap a new
// sample takes the place of the newest queued one and its time, so the queue keeps its length in
// seconds and an honest peer's motion only loses detail.
constexpr std::size_t maxReplaySamples = 1024;

// Longest name (player, avatar object, level) taken from a packet; longer ones are cut on
// receipt and before sending: protects memory and the players list's width.
constexpr std::uint32_t maxNetNameLength = 128;
// Longest chat text taken from a packet; the rest is cut: protects memory and the console.
constexpr std::uint32_t maxNetTextLength = 1024;
// Entries of a players list or a world list taken from a packet (avatar indices are one byte):
// protects memory.
constexpr std::uint32_t maxNetEntries = 256;
// Players a server keeps connected. The players list each of them is sent holds the server's own
// player and every other player, one entry per connection, and a client takes a list of at most
// maxNetEntries: connections beyond it are refused.
constexpr std::size_t maxNetPlayers = maxNetEntries;
// Connections a server keeps from one address at a time: one machine cannot take every player's
// place. Connections beyond it are refused like those beyond maxNetPlayers.
constexpr std::size_t maxNetPlayersPerAddress = 8;
// Longest packet body a peer may send: the largest legal packet (a world list of 256 avatars
// with names at their cap) with room to spare. The receive buffer is sized by it, so it protects
// memory; a longer stated length closes the connection.
constexpr std::uint32_t maxPacketBody = 96 * 1024;

// Texts and documents

// Longest text an HTML pane reads (a tooltip, a document): protects memory and the time of one
// layout; the rest of a longer text is left out.
constexpr std::size_t maxHtmlTextLength = std::size_t{1} << 20;
// Tables of an HTML document open inside one another: tables are measured, laid out and drawn by
// recursion, so this protects the stack; deeper ones are left out.
constexpr std::size_t maxHtmlTableDepth = 16;
// Different images one HTML document reads: protects memory and the time of the reads; the
// images named after them are not read.
constexpr std::size_t maxHtmlImages = 64;
// Longest HTML tag, "<" and ">" aside: bounds the bytes one tag copies and parses; a longer one
// is read as text.
constexpr std::size_t maxHtmlTagLength = 2048;
// Attributes kept per HTML tag: protects memory from a tag of endless attributes; the rest are
// dropped.
constexpr std::size_t maxHtmlTagAttributes = 32;
// Font tags an HTML document keeps open at once: protects memory; a font tag beyond them is
// ignored.
constexpr std::size_t maxHtmlFontDepth = 64;
// Columns and rows of one HTML table: protect memory and the time of laying the table out; cells
// beyond them are not part of it.
constexpr int maxHtmlTableColumns = 256;
constexpr int maxHtmlTableRows = 4096;

// Largest part of the settings file read: the memory and parse time one load takes. The lines
// beyond it are ignored, and such a file is never rewritten.
constexpr std::size_t maxSettingsFileSize = 1 << 20;
// Bytes of the settings file looked through for the end of a first line longer than that, so that
// the lines after it can be read: the time one load of such a file takes.
constexpr std::size_t maxSettingsLineSearched = 64 << 20;

}
