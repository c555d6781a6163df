// invitation-data decode and check, run as the makers run them.
#include "panel/scene_table.h"
#include "tests/image/bmp_bytes.h"
#include "tests/support/scratch_folder.h"
#include "tests/music/tiny_mod.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// `prefix` runs the tool through another program, such as on-full-disk.
ToolRun RunTool(const ScratchFolder& folder, const std::string& arguments, const std::string& prefix = "") {
    const std::string errFile = (folder.path / "stderr.txt").string();
    const std::string command =
        "timeout 20 " + prefix + "'" + INVITATION_DATA_TOOL + "' " + arguments + " 2>'" + errFile + "'";
    ToolRun run{-1, {}, {}};
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
    const int wait = pclose(pipe);
    run.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    run.err = ReadText(errFile);
    return run;
}

std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// The report line of one file: the line that holds its name.
std::string LineOf(const std::string& report, const std::string& name) {
    std::istringstream lines(report);
    std::string line;
    while (std::getline(lines, line))
        if (line.find(" " + name + " ") != std::string::npos) return line;
    return {};
}

TEST(DataTool, DecodeWritesTopRowFirst) {
    ScratchFolder folder;
    const std::string in = folder.Write("in.bmp", Assemble24(2, 2, [](int x, int y) {
        return y == 0 ? (x ? 0x000002u : 0x000001u) : (x ? 0x000004u : 0x000003u);
    }));
    const ToolRun run = RunTool(folder, "decode " + Quoted(in) + " " + Quoted(folder.path / "out.ppm"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string expected = std::string("P6\n2 2\n255\n") + std::string("\0\0\3\0\0\4\0\0\1\0\0\2", 12);
    EXPECT_EQ(ReadText(folder.path / "out.ppm"), expected);
}

TEST(DataTool, DecodeFailuresGiveTheLoadersMessage) {
    ScratchFolder folder;
    BmpPieces v5;
    v5.headerSize = 124;
    v5.pixels = {1, 2, 3, 0};
    const std::string bad = folder.Write("v5.bmp", AssembleBmp(v5));
    const std::string missing = (folder.path / "none.bmp").string();
    const struct {
        std::string in;
        std::string err;
    } cases[] = {
        {bad, "Error: Unknown DIB file format.\n"},
        {missing, "Error: Failed to open DIB file " + missing + ".\n"},
    };
    for (const auto& c : cases) {
        const ToolRun run = RunTool(folder, "decode " + Quoted(c.in) + " " + Quoted(folder.path / "out.ppm"));
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, c.err);
        EXPECT_FALSE(std::filesystem::exists(folder.path / "out.ppm"));
    }
    EXPECT_EQ(RunTool(folder, "decode " + Quoted(bad)).status, 2);
}

// Nothing that is not a regular file is opened, so nothing waits on a FIFO;
// the PPM appears only when complete, and an older one stays until then.
TEST(DataTool, DecodeNeverWaitsAndNeverLeavesAPartialFile) {
    ScratchFolder folder;
    const std::string fifo = (folder.path / "fifo.bmp").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(folder.path / "folder.bmp");
    // 196,623 bytes of PPM for a disk of 64 KiB.
    const std::string big = folder.Write("big.bmp", Assemble24(256, 256, [](int x, int y) {
        return static_cast<uint32_t>(x * 0x010203 + y * 0x030201);
    }));
    const std::string seed = (folder.path / "seed").string();
    const std::string disk = (folder.path / "disk").string();
    folder.Write("seed/out.ppm", {'o', 'l', 'd'});
    std::filesystem::create_directory(disk);
    const std::string fullDisk = std::string("'") + ON_FULL_DISK + "' 64 " + Quoted(seed) + " " + Quoted(disk) + " ";
    const struct {
        std::string command;
        std::string err;
    } cases[] = {
        {"decode " + Quoted(fifo), "Error: Failed to open DIB file " + fifo + ".\n"},
        {"decode " + Quoted(folder.path / "folder.bmp"),
         "Error: Failed to open DIB file " + (folder.path / "folder.bmp").string() + ".\n"},
        {"decode " + Quoted(big), "Error: cannot write " + disk + "/out.ppm: "},
    };
    for (const auto& c : cases) {
        // The tool runs on a full disk that holds an older out.ppm; the listing of what is left follows.
        const ToolRun run = RunTool(folder, c.command + " " + Quoted(disk + "/out.ppm"), fullDisk);
        EXPECT_EQ(run.status, 1) << c.command << "\n" << run.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "./out.ppm 3 149603e6c03516362a8da23f624db945\n") << c.command;   // "old"
    }
}

void WriteGoodFolder(const ScratchFolder& folder) {
    for (const ScenePicture& picture : SCENE_PICTURES)
        folder.Write(std::string("data/") + SceneFileName(picture.path),
                     Assemble24(8, 4, [](int x, int y) { return 0x10101u * static_cast<uint32_t>(x + y); }));
    folder.Write("data/phatfunk.mod", BuildTinyMod(TinyMod{}));
}

TEST(DataTool, CheckPassesAGoodFolderAndWarnsWithoutFailing) {
    ScratchFolder folder;
    WriteGoodFolder(folder);
    folder.Write("data/gfx.bmp", Assemble24(6, 4, [](int, int) { return 0u; }));
    const ToolRun run = RunTool(folder, "check " + Quoted(folder.path / "data"));
    EXPECT_EQ(run.status, 0) << run.out;
    for (const ScenePicture& picture : SCENE_PICTURES) {
        const std::string line = LineOf(run.out, SceneFileName(picture.path));
        ASSERT_FALSE(line.empty()) << picture.path;
        if (picture.number == 51) {
            EXPECT_NE(line.find("width 6 is not a power of two"), std::string::npos) << line;
            EXPECT_NE(line.find("scale it to 8"), std::string::npos) << line;
        } else {
            EXPECT_NE(line.find(" yes "), std::string::npos) << line;
            EXPECT_NE(line.find(" 8x4 "), std::string::npos) << line;
            EXPECT_EQ(line.substr(line.size() - 2), "OK") << line;
        }
    }
    EXPECT_EQ(LineOf(run.out, "phatfunk.mod").substr(LineOf(run.out, "phatfunk.mod").size() - 2), "OK");
    EXPECT_NE(run.out.find("41 of 41 pictures load"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.rfind("pictures at scale 1, for a screen of 640 x 480\n", 0), 0u) << run.out;
}

// With no folder named, check looks where the program looks: data here, else beside the tool.
TEST(DataTool, CheckWithoutAFolderFindsItAsTheProgramDoes) {
    ScratchFolder here;
    WriteGoodFolder(here);
    std::filesystem::remove(here.path / "data/opac.bmp");
    {
        WorkingFolder inside(here.path);
        const ToolRun run = RunTool(here, "check");
        EXPECT_NE(run.out.find("40 of 41 pictures load"), std::string::npos) << run.out << run.err;
    }
    ScratchFolder empty;
    WorkingFolder inside(empty.path);
    const ToolRun run = RunTool(empty, "check");
    const std::filesystem::path beside = std::filesystem::path(INVITATION_DATA_TOOL).parent_path() / "data";
    if (std::filesystem::is_directory(beside)) {
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_NE(run.out.find("41 of 41 pictures load"), std::string::npos) << run.out;
    } else {
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "invitation-data: no data folder: neither " + (empty.path / "data").string() + " nor " +
                               beside.string() + " exists\n");
    }
}

TEST(DataTool, CheckNamesEachProblemAndWhatToDo) {
    ScratchFolder folder;
    WriteGoodFolder(folder);
    std::filesystem::remove(folder.path / "data/opac.bmp");
    std::filesystem::remove(folder.path / "data/phatfunk.mod");
    BmpPieces v4;
    v4.headerSize = 108, v4.width = 8, v4.height = 4;
    v4.pixels.assign(96, 0);
    folder.Write("data/kopf.bmp", AssembleBmp(v4));
    std::vector<uint8_t> cut = Assemble24(8, 4, [](int, int) { return 0u; });
    cut.resize(60);
    folder.Write("data/font1.bmp", cut);
    BmpPieces rle2;
    rle2.width = 8, rle2.height = 4, rle2.bitsPerPixel = 8, rle2.compression = 2;
    rle2.palette.assign(256, 0);
    rle2.pixels = {0, 1};
    folder.Write("data/code.bmp", AssembleBmp(rle2));

    const ToolRun run = RunTool(folder, "check " + Quoted(folder.path / "data"));
    EXPECT_EQ(run.status, 1) << run.out;
    const struct {
        const char* name;
        const char* text;
    } expected[] = {
        {"opac.bmp", " no "},
        {"opac.bmp", "missing: the program reports \"texture data\\opac.bmp not found!\""},
        {"kopf.bmp", " 108 "},
        {"kopf.bmp", " 8x4 "},
        {"kopf.bmp", "does not load (\"Unknown DIB file format.\"): 108-byte header: save it as a BMP with a "
                     "40-byte header, for example \"BMP3\""},
        {"font1.bmp", "does not load (\"Image file conversion error.\"): the file ends before"},
        {"code.bmp", " RLE4 "},
        {"code.bmp", "8 bits with compression RLE4 cannot be read: save it with 24 bits, uncompressed"},
        {"phatfunk.mod", "missing: the program stops with \"cannot play audio\""},
    };
    for (const auto& e : expected) {
        const std::string line = LineOf(run.out, e.name);
        EXPECT_NE(line.find(e.text), std::string::npos) << e.name << ": " << line;
    }
    EXPECT_EQ(LineOf(run.out, "scr1.bmp").substr(LineOf(run.out, "scr1.bmp").size() - 2), "OK");
    EXPECT_NE(run.out.find("37 of 41 pictures load"), std::string::npos) << run.out;
}

// check loads the module as the program does and tells of what the player
// loads without a word: a file cut short is usable, damaged.
TEST(DataTool, CheckJudgesTheModuleAsThePlayerLoadsIt) {
    const std::vector<uint8_t> whole = BuildTinyMod(TinyMod{});
    auto cut = [&](size_t size) { return std::vector<uint8_t>(whole.begin(), whole.begin() + size); };
    enum Kind { FILE, FOLDER, FIFO };
    const struct {
        const char* what;
        Kind kind;
        std::vector<uint8_t> bytes;
        int status;
        const char* statusText;
        const char* summary;
    } cases[] = {
        {"whole", FILE, whole, 0, "OK", "the module is usable"},
        {"one byte short", FILE, cut(whole.size() - 1), 1, "usable, damaged: sample 1 is cut short; the program plays "
                                                           "what the player loads",
         "the module is usable, damaged"},
        {"its header alone", FILE, cut(1084), 1, "usable, damaged: the pattern data is cut short: 1084 of 2108 bytes; "
                                                 "sample 1 is missing: the file ends before it",
         "the module is usable, damaged"},
        {"no module", FILE, std::vector<uint8_t>(2048, 0), 1, "does not load (the player cannot load it as a module): "
                                                              "the program stops with \"cannot play audio\"",
         "the module is not usable"},
        {"empty", FILE, {}, 1, "does not load (it is empty)", "the module is not usable"},
        {"a folder", FOLDER, {}, 1, "does not load (it is a folder): the program stops with \"cannot play audio\"; "
                                    "put a file in its place",
         "the module is not usable"},
        {"a FIFO", FIFO, {}, 1, "does not load (it is not a regular file)", "the module is not usable"},
    };
    for (const auto& c : cases) {
        ScratchFolder folder;
        WriteGoodFolder(folder);
        const std::filesystem::path module = folder.path / "data/phatfunk.mod";
        std::filesystem::remove(module);
        if (c.kind == FILE) folder.Write("data/phatfunk.mod", c.bytes);
        if (c.kind == FOLDER) std::filesystem::create_directory(module);
        if (c.kind == FIFO) {
            ASSERT_EQ(mkfifo(module.c_str(), 0600), 0);
        }
        const ToolRun run = RunTool(folder, "check " + Quoted(folder.path / "data"));
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.out;
        const std::string line = LineOf(run.out, "phatfunk.mod");
        EXPECT_NE(line.find(c.statusText), std::string::npos) << c.what << ": " << line;
        EXPECT_NE(run.out.find(std::string("41 of 41 pictures load; ") + c.summary + "\n"), std::string::npos)
            << c.what << ": " << run.out;
    }
}

// A picture that is a FIFO or a folder is reported at once as one that cannot be read.
TEST(DataTool, CheckReadsNoPictureThatIsNotARegularFile) {
    ScratchFolder folder;
    WriteGoodFolder(folder);
    std::filesystem::remove(folder.path / "data/kopf.bmp");
    ASSERT_EQ(mkfifo((folder.path / "data/kopf.bmp").c_str(), 0600), 0);
    std::filesystem::remove(folder.path / "data/gfx.bmp");
    std::filesystem::create_directory(folder.path / "data/gfx.bmp");
    const ToolRun run = RunTool(folder, "check " + Quoted(folder.path / "data"));
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(LineOf(run.out, "kopf.bmp")
                  .find("does not load (\"Failed to open DIB file data\\kopf.bmp.\"): cannot be read (it is not a "
                        "regular file): put a file in its place"),
              std::string::npos)
        << run.out;
    EXPECT_NE(LineOf(run.out, "gfx.bmp").find("cannot be read (it is a folder): put a file in its place"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("39 of 41 pictures load; the module is usable"), std::string::npos) << run.out;
}

}  // namespace
