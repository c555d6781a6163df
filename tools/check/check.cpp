// invitation-data check: the pictures of a data folder as the program sees them.
#include "tools/check/check.h"

#include "music/module_file.h"
#include "panel/placement.h"
#include "platform/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>

namespace {

// The file header and the largest header proper there is; enough for the facts.
std::vector<uint8_t> ReadFileHead(int fd) {
    std::vector<uint8_t> head(14 + 124);
    size_t got = 0;
    while (got < head.size()) {
        ssize_t part = read(fd, head.data() + got, head.size() - got);
        if (part < 0 && errno == EINTR) continue;
        if (part <= 0) break;
        got += static_cast<size_t>(part);
    }
    head.resize(got);
    return head;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// A folder, FIFO or device where a file belongs needs a file in its place;
// anything else that cannot be read needs saving again.
std::string UnreadableAdvice(int error) {
    return error == EISDIR || error == EINVAL ? "put a file in its place" : "save it again";
}

std::string JoinPath(const std::string& dir, const char* name) {
    if (dir.empty() || dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

std::string CompressionName(uint32_t compression) {
    switch (compression) {
    case 0: return "none";
    case 1: return "RLE8";
    case 2: return "RLE4";
    case 3: return "bitfields";
    default: return std::to_string(compression);
    }
}

bool IsPowerOfTwo(int64_t value) { return value > 0 && (value & (value - 1)) == 0; }

int64_t NearestPowerOfTwo(int64_t value) {
    int64_t below = 1;
    while (below * 2 <= value) below *= 2;
    return value - below < below * 2 - value ? below : below * 2;   // a tie keeps the detail
}

// --- problem rules ---------------------------------------------------------

void MissingRule(const PictureCheck& check, std::vector<std::string>& problems) {
    if (!check.found)
        problems.push_back("missing: the program reports \"texture " + std::string(check.path) +
                           " not found!\" and leaves the slot empty; add the picture");
}

std::string LoadAdvice(const PictureCheck& check) {
    const BmpFacts& f = check.facts;
    switch (check.load) {
    case BmpStatus::CANNOT_OPEN:
        if (check.openError != 0)
            return "cannot be read (" + FileErrorText(check.openError) + "): " + UnreadableAdvice(check.openError);
        return "cannot be read (it is empty): save it again";
    case BmpStatus::UNKNOWN_HEADER:
        return std::to_string(f.headerSize) +
               "-byte header: save it as a BMP with a 40-byte header, for example \"BMP3\"";
    case BmpStatus::TRUNCATED: return "the file ends before its headers, colour table or pixel data do: save it again";
    case BmpStatus::BAD_SIZE:
        return std::to_string(f.width) + " x " + std::to_string(f.height) + " is no picture size: save it again";
    case BmpStatus::TOO_LARGE:
        return "larger than " + std::to_string(BMP_MAX_SIDE) + " x " + std::to_string(BMP_MAX_SIDE) + " or " +
               std::to_string(BMP_MAX_PIXEL_BYTES >> 20) + " MiB of pixels: scale it down";
    case BmpStatus::UNSUPPORTED:
        if (f.height < 0 && (f.compression == 1 || f.compression == 2))
            return "run-length data stored top-down: save it bottom-up or uncompressed";
        return std::to_string(f.bitsPerPixel) + " bits with compression " + CompressionName(f.compression) +
               " cannot be read: save it with 24 bits, uncompressed";
    case BmpStatus::OUT_OF_MEMORY: return "not enough memory to load it";
    case BmpStatus::OK: break;
    }
    return {};
}

void LoadRule(const PictureCheck& check, std::vector<std::string>& problems) {
    if (check.found && check.load != BmpStatus::OK)
        problems.push_back("does not load (\"" + BmpMessageLine(check.load, check.path) + "\"): " + LoadAdvice(check));
}

// GL 1.1 takes only power-of-two sides; other drivers draw such a texture white.
// A folder at scale 3 has sides of 3 x a power of two on purpose (see the summary).
void PowerOfTwoRule(const PictureCheck& check, std::vector<std::string>& problems) {
    if (check.load != BmpStatus::OK) return;
    const int64_t sides[2] = {check.facts.width, std::abs(int64_t{check.facts.height})};
    const char* names[2] = {"width", "height"};
    for (int i = 0; i < 2; ++i)
        if (!IsPowerOfTwo(sides[i]) && !(sides[i] % check.scale == 0 && IsPowerOfTwo(sides[i] / check.scale)))
            problems.push_back(std::string(names[i]) + " " + std::to_string(sides[i]) +
                               " is not a power of two: drivers without non-power-of-two textures draw it "
                               "white; scale it to " +
                               std::to_string(NearestPowerOfTwo(sides[i])));
}

constexpr ProblemRule PROBLEM_RULES[] = {MissingRule, LoadRule, PowerOfTwoRule};

// --- columns ---------------------------------------------------------------

std::string NumberCell(const PictureCheck& c) { return std::to_string(c.number); }
std::string FileCell(const PictureCheck& c) { return SceneFileName(c.path); }
std::string FoundCell(const PictureCheck& c) { return c.found ? "yes" : "no"; }
bool HeaderKnown(const PictureCheck& c) { return c.found && c.facts.headerSize != 0; }
std::string HeaderCell(const PictureCheck& c) { return HeaderKnown(c) ? std::to_string(c.facts.headerSize) : "-"; }
bool SizeKnown(const PictureCheck& c) { return c.found && c.facts.fieldsRead; }
std::string BitsCell(const PictureCheck& c) { return SizeKnown(c) ? std::to_string(c.facts.bitsPerPixel) : "-"; }
std::string CompressionCell(const PictureCheck& c) { return SizeKnown(c) ? CompressionName(c.facts.compression) : "-"; }
std::string SizeCell(const PictureCheck& c) {
    return SizeKnown(c) ? std::to_string(c.facts.width) + "x" + std::to_string(c.facts.height) : "-";
}
// How the picture lands on its panel on the screen of the folder's scale: screen
// pixels per texel across and up, and whether that is close to one.
TexelScale ScaleOnScreen(const PictureCheck& c) {
    const PanelPlacement* placement = FindPanelPlacement(c.number);
    if (!placement) return {0.0, 0.0};
    return ScreenPixelsPerTexel(*placement, c.facts.width, std::abs(c.facts.height), c.scale * SCREEN_WIDTH,
                                c.scale * SCREEN_HEIGHT);
}
bool ScaleKnown(const PictureCheck& c) { return SizeKnown(c) && FindPanelPlacement(c.number); }
std::string ScaleCell(const PictureCheck& c) {
    if (!ScaleKnown(c)) return "-";
    const TexelScale scale = ScaleOnScreen(c);
    char text[64];
    std::snprintf(text, sizeof text, "%.2fx%.2f", scale.x, scale.y);
    return text;
}
std::string OneToOneCell(const PictureCheck& c) {
    if (!ScaleKnown(c)) return "-";
    return IsNearlyOneToOne(ScaleOnScreen(c)) ? "yes" : "no";
}
std::string StatusCell(const PictureCheck& c) {
    if (c.problems.empty()) return "OK";
    std::string text;
    for (const std::string& problem : c.problems) text += (text.empty() ? "" : "; ") + problem;
    return text;
}

// The status stays last: it is the free-length column.
constexpr ReportColumn REPORT_COLUMNS[] = {
    {"no", NumberCell, true},          {"file", FileCell, false},
    {"found", FoundCell, false},       {"header", HeaderCell, true},
    {"bits", BitsCell, true},          {"compression", CompressionCell, false},
    {"size", SizeCell, false},         {"px/texel", ScaleCell, false},
    {"1:1", OneToOneCell, false},      {"status", StatusCell, false},
};
constexpr size_t COLUMN_COUNT = std::size(REPORT_COLUMNS);

constexpr size_t ColumnOf(std::string (*cell)(const PictureCheck&)) {
    size_t column = 0;
    while (column < COLUMN_COUNT && REPORT_COLUMNS[column].cell != cell) ++column;
    return column;
}
static_assert(ColumnOf(StatusCell) == COLUMN_COUNT - 1, "the status column is last");
static_assert(ColumnOf(FileCell) < COLUMN_COUNT && ColumnOf(FoundCell) < COLUMN_COUNT &&
                  ColumnOf(SizeCell) < COLUMN_COUNT,
              "the module's line fills these columns");

using ReportLine = std::vector<std::string>;

// The module is no picture: it fills only the columns that mean something for it.
// It is judged by loading it as the program does, warnings included.
ReportLine ModuleLine(const std::string& dir, ModuleVerdict& verdict) {
    const char* name = SceneFileName(MUSIC_MODULE_PATH);
    const std::string file = JoinPath(dir, name);
    struct stat info {};
    const bool found = stat(file.c_str(), &info) == 0;
    const ModuleReport report = InspectModuleFile(file.c_str());
    std::string status = "OK";
    verdict = ModuleVerdict::USABLE;
    if (!found) {
        status = "missing: the program stops with \"cannot play audio\"; add the module";
        verdict = ModuleVerdict::NOT_USABLE;
    } else if (!report.loads) {
        const bool notAFile = !S_ISREG(info.st_mode);
        status = "does not load (" + report.failure + "): the program stops with \"cannot play audio\"; " +
                 (notAFile ? "put a file in its place" : "save the module again");
        verdict = ModuleVerdict::NOT_USABLE;
    } else if (!report.warnings.empty()) {
        status = "usable, damaged: ";
        for (size_t i = 0; i < report.warnings.size(); ++i) status += (i == 0 ? "" : "; ") + report.warnings[i];
        status += "; the program plays what the player loads: save the module again";
        verdict = ModuleVerdict::DAMAGED;
    }
    ReportLine line(COLUMN_COUNT, "");
    line[ColumnOf(FileCell)] = name;
    line[ColumnOf(FoundCell)] = found ? "yes" : "no";
    line[ColumnOf(SizeCell)] = found && S_ISREG(info.st_mode) ? std::to_string(info.st_size) + " bytes" : "-";
    line[ColumnOf(StatusCell)] = status;
    return line;
}

void PrintReport(const std::vector<ReportLine>& lines) {
    size_t widths[COLUMN_COUNT] = {};
    for (size_t c = 0; c < COLUMN_COUNT; ++c) widths[c] = std::strlen(REPORT_COLUMNS[c].title);
    for (const ReportLine& line : lines)
        for (size_t c = 0; c < COLUMN_COUNT; ++c) widths[c] = std::max(widths[c], line[c].size());
    auto print = [&](const ReportLine& line) {
        std::string text;
        for (size_t c = 0; c < COLUMN_COUNT; ++c) {
            const std::string& cell = line[c];
            const size_t fill = widths[c] - cell.size();
            if (c + 1 == COLUMN_COUNT) {
                text += cell;
            } else if (REPORT_COLUMNS[c].alignRight) {
                text += std::string(fill, ' ') + cell + "  ";
            } else {
                text += cell + std::string(fill, ' ') + "  ";
            }
        }
        std::printf("%s\n", text.c_str());
    };
    ReportLine titles;
    for (const ReportColumn& column : REPORT_COLUMNS) titles.push_back(column.title);
    print(titles);
    for (const ReportLine& line : lines) print(line);
}

}  // namespace

int32_t FolderPictureScale(const std::string& dir) {
    int votes[MAX_PICTURE_SCALE + 1] = {};
    for (const ScenePicture& picture : SCENE_PICTURES) {
        const PanelPlacement* placement = FindPanelPlacement(picture.number);
        const int fd = placement ? OpenRegularFile(JoinPath(dir, SceneFileName(picture.path)).c_str()) : -1;
        if (fd < 0) continue;
        const BmpFacts facts = ReadBmpFacts(ReadFileHead(fd));
        close(fd);
        if (!facts.fieldsRead || facts.width <= 0 || facts.height == 0) continue;
        const TexelScale at1 = ScreenPixelsPerTexel(*placement, facts.width, std::abs(facts.height));
        // Pictures stretched one way and squeezed the other judge by their area.
        const double pixels = std::sqrt(at1.x * at1.y);
        if (!std::isfinite(pixels)) continue;
        int32_t best = 1;
        for (int32_t n = 2; n <= MAX_PICTURE_SCALE; ++n)
            if (std::fabs(std::log(pixels * n)) < std::fabs(std::log(pixels * best))) best = n;
        ++votes[best];
    }
    int32_t scale = 1;
    for (int32_t n = 2; n <= MAX_PICTURE_SCALE; ++n)
        if (votes[n] > votes[scale]) scale = n;
    return scale;
}

std::string BmpMessageLine(BmpStatus status, const char* path) {
    char text[BMP_MESSAGE_SIZE];
    FormatBmpMessage(status, path, text);
    std::string message(text);
    while (!message.empty() && message.back() == '\n') message.pop_back();
    return message;
}

PictureCheck CheckPicture(const ScenePicture& picture, const std::string& dir, int32_t scale) {
    PictureCheck check{picture.number, picture.path, JoinPath(dir, SceneFileName(picture.path)), false, 0, {},
                       BmpStatus::CANNOT_OPEN, scale, {}};
    check.found = Exists(check.file);
    if (check.found) {
        // Only a regular file is read, as the program reads only those.
        const int fd = OpenRegularFile(check.file.c_str());
        if (fd < 0) {
            check.openError = errno;
        } else {
            check.facts = ReadBmpFacts(ReadFileHead(fd));
            close(fd);
            RgbImage* image = nullptr;
            check.load = ReadBmpFile(check.file.c_str(), &image);
            FreeRgbImage(image);
        }
    }
    for (ProblemRule rule : PROBLEM_RULES) rule(check, check.problems);
    return check;
}

bool ReportDataFolder(const std::string& dir) {
    std::vector<ReportLine> lines;
    int loading = 0;
    const int32_t scale = FolderPictureScale(dir);
    for (const ScenePicture& picture : SCENE_PICTURES) {
        const PictureCheck check = CheckPicture(picture, dir, scale);
        if (check.load == BmpStatus::OK) ++loading;
        ReportLine line;
        for (const ReportColumn& column : REPORT_COLUMNS) line.push_back(column.cell(check));
        lines.push_back(std::move(line));
    }
    ModuleVerdict module = ModuleVerdict::USABLE;
    lines.push_back(ModuleLine(dir, module));
    std::printf("pictures at scale %d, for a screen of %d x %d%s\n", scale, scale * SCREEN_WIDTH,
                scale * SCREEN_HEIGHT,
                scale == 3 ? "; their sides of 3 x a power of two need non-power-of-two textures (GL 2.0)" : "");
    PrintReport(lines);
    const char* verdicts[] = {"usable", "usable, damaged", "not usable"};
    std::printf("%d of %d pictures load; the module is %s\n", loading, SCENE_PICTURE_COUNT,
                verdicts[static_cast<int>(module)]);
    return loading == SCENE_PICTURE_COUNT && module == ModuleVerdict::USABLE;
}
