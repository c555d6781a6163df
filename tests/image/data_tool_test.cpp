// invitation-data decode and check, run as the makers run them.
#include "image/scene_files.h"
#include "tests/image/bmp_bytes.h"
#include "tests/image/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
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

ToolRun RunTool(const ScratchFolder& folder, const std::string& arguments) {
    const std::string errFile = (folder.path / "stderr.txt").string();
    const std::string command = std::string("'") + INVITATION_DATA_TOOL + "' " + arguments + " 2>'" + errFile + "'";
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

void WriteGoodFolder(const ScratchFolder& folder) {
    for (const ScenePicture& picture : SCENE_PICTURES)
        folder.Write(std::string("data/") + SceneFileName(picture.path),
                     Assemble24(8, 4, [](int x, int y) { return 0x10101u * static_cast<uint32_t>(x + y); }));
    folder.Write("data/phatfunk.mod", std::vector<uint8_t>(2048, 0));
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

}  // namespace
