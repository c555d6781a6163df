// The data folder that "invitation-data build" writes from assets/.
#include "tests/content/built_data.h"
#include "tests/support/failed_comparison.h"

#include "image/bmp.h"
#include "panel/panel.h"
#include "panel/scene_table.h"
#include "show/outro.h"
#include "tools/check/check.h"
#include "tools/generate/generate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// FNV-1a over every file's name and bytes, in name order.
uint64_t HashFolder(const std::string& dir, size_t& files) {
    std::vector<fs::path> paths;
    for (const auto& entry : fs::directory_iterator(dir)) paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    files = paths.size();
    uint64_t hash = 1469598103934665603ull;
    auto add = [&hash](uint8_t byte) { hash = (hash ^ byte) * 1099511628211ull; };
    for (const fs::path& path : paths) {
        for (char c : path.filename().string()) add(static_cast<uint8_t>(c));
        for (uint8_t b : ReadBytes(path)) add(b);
    }
    return hash;
}

bool IsPowerOfTwo(int32_t n) {
    return n > 0 && (n & (n - 1)) == 0;
}

#define REQUIRE_DATA()                                                      \
    do {                                                                    \
        ASSERT_FALSE(BuiltDataDir().empty()) << BuiltDataError();           \
    } while (0)

}  // namespace

TEST(DataFolder, TwoBuildsAreByteIdentical) {
    REQUIRE_DATA();
    std::string again = TemporaryDir("again");
    std::string error;
    ASSERT_TRUE(BuildDataFolder(DefaultAssetsDir(), again, 1, error)) << error;
    size_t firstFiles = 0, secondFiles = 0;
    uint64_t first = HashFolder(BuiltDataDir(), firstFiles), second = HashFolder(again, secondFiles);
    fs::remove_all(again);
    EXPECT_EQ(firstFiles, static_cast<size_t>(SCENE_PICTURE_COUNT + 1));
    EXPECT_EQ(secondFiles, firstFiles);
    EXPECT_EQ(first, second);
}

TEST(DataFolder, AMissingFontNamesThePackageThatHoldsIt) {
    // Only some faces present, as on a system with fonts-dejavu-core but not -extra.
    struct Case {
        std::vector<std::string> present;
        std::string expectedEnd;
    };
    const Case cases[] = {
        {{}, "/DejaVuSans.ttf (Debian package fonts-dejavu-core)"},
        {{"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"}, "/DejaVuSansCondensed.ttf (Debian package fonts-dejavu-extra)"},
    };
    fs::path dir = fs::temp_directory_path() / ("fonts-" + std::to_string(::getpid()));
    for (const Case& c : cases) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        for (const std::string& name : c.present) fs::create_symlink(fs::path(DEJAVU_FONT_DIR) / name, dir / name);
        std::string error;
        EXPECT_FALSE(OpenFonts(dir.string(), error));
        EXPECT_TRUE(error.ends_with(c.expectedEnd)) << error;
    }
    fs::remove_all(dir);
}

TEST(DataFolder, EveryPictureLoadsAsTheGeneratorDrewIt) {
    REQUIRE_DATA();
    PictureSources sources;
    std::string error;
    ASSERT_TRUE(LoadPictureSources(DefaultAssetsDir(), sources, error)) << error;
    FontLibraryHandle fonts = OpenFonts(DEJAVU_FONT_DIR, error);
    ASSERT_TRUE(fonts) << error;
    std::vector<GeneratedPicture> pictures;
    ASSERT_TRUE(DrawPictures(sources, *fonts, 1, pictures, error)) << error;
    ASSERT_EQ(pictures.size(), static_cast<size_t>(SCENE_PICTURE_COUNT));

    std::map<std::pair<uint32_t, uint32_t>, int> kinds;   // (header size, bits x 10 + compression)
    for (size_t i = 0; i < pictures.size(); ++i) {
        const GeneratedPicture& meant = pictures[i];
        SCOPED_TRACE(meant.fileName);
        EXPECT_EQ(meant.number, SCENE_PICTURES[i].number);
        EXPECT_EQ(meant.fileName, SceneFileName(SCENE_PICTURES[i].path));
        EXPECT_TRUE(IsPowerOfTwo(meant.picture.width) && IsPowerOfTwo(meant.picture.height));
        std::string path = BuiltDataDir() + "/" + meant.fileName;
        BmpFacts facts = ReadBmpFacts(ReadBytes(path));
        ++kinds[{facts.headerSize, facts.bitsPerPixel * 10u + facts.compression}];

        RgbImage* image = LoadBmpImage(path.c_str());
        ASSERT_NE(image, nullptr);
        std::vector<uint8_t> loaded;   // rows back to top first
        size_t row = static_cast<size_t>(image->width) * 3;
        for (int32_t r = image->height - 1; r >= 0; --r)
            loaded.insert(loaded.end(), image->pixels + r * row, image->pixels + (r + 1) * row);
        EXPECT_EQ(image->width, meant.picture.width);
        EXPECT_EQ(image->height, meant.picture.height);
        bool same = loaded == meant.picture.rgb;
        if (!same)
            ADD_FAILURE() << "pixels differ (actual: loaded, expected: as drawn); "
                          << SaveFailedComparison("data-" + meant.fileName, {loaded.data(), image->width, image->height},
                                                  {meant.picture.rgb.data(), meant.picture.width, meant.picture.height});
        FreeRgbImage(image);
    }
    // Mostly 24-bit with the 40-byte header, and every other kind the loader reads.
    auto count = [&kinds](uint32_t header, uint32_t bits, uint32_t compression) {
        return kinds[std::make_pair(header, bits * 10 + compression)];
    };
    EXPECT_GT(count(40, 24, 0), SCENE_PICTURE_COUNT / 2);
    EXPECT_GE(count(40, 8, 0), 1);
    EXPECT_GE(count(40, 8, 1), 1);
    EXPECT_GE(count(40, 4, 0), 1);
    EXPECT_GE(count(12, 8, 0), 1);
}

namespace {

// The picture averaged over blocks of `factor` x `factor` texels.
std::vector<double> Reduced(const RgbImage& image, int32_t factor) {
    const int32_t width = image.width / factor, height = image.height / factor;
    std::vector<double> out(static_cast<size_t>(width) * height * 3, 0.0);
    for (int32_t r = 0; r < height * factor; ++r)
        for (int32_t c = 0; c < width * factor; ++c)
            for (int k = 0; k < 3; ++k)
                out[(static_cast<size_t>(r / factor) * width + c / factor) * 3 + k] +=
                    image.pixels[(static_cast<size_t>(r) * image.width + c) * 3 + k] / double(factor * factor);
    return out;
}

double MeanDifference(const std::vector<double>& a, const std::vector<double>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += std::abs(a[i] - b[i]);
    return sum / a.size();
}

// A folder of black pictures `factor` times the sides of the built ones: the
// check judges sizes, not what is drawn.
std::string EnlargedFolder(int32_t factor) {
    const std::string dir = TemporaryDir("enlarged-" + std::to_string(factor));
    fs::create_directories(dir);
    for (const ScenePicture& scene : SCENE_PICTURES) {
        const std::string name = SceneFileName(scene.path);
        const BmpFacts facts = ReadBmpFacts(ReadBytes(BuiltDataDir() + "/" + name));
        RgbPicture large{facts.width * factor, std::abs(facts.height) * factor, {}};
        large.rgb.assign(static_cast<size_t>(large.width) * large.height * 3, 0);
        std::string error;
        std::vector<uint8_t> bytes = EncodeBmp(large, BmpKind::RGB24, error);
        std::ofstream(dir + "/" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    return dir;
}

}  // namespace

TEST(DataFolder, AtScaleTwoEachPictureHasTwiceTheSidesAndTheSameComposition) {
    REQUIRE_DATA();
    const std::string scaled = TemporaryDir("scale-2");
    std::string error;
    ASSERT_TRUE(BuildDataFolder(DefaultAssetsDir(), scaled, 2, error)) << error;
    double folderMean = 0, folderBlocks = 0;
    for (const ScenePicture& scene : SCENE_PICTURES) {
        SCOPED_TRACE(scene.path);
        const std::string name = SceneFileName(scene.path);
        const BmpFacts at1 = ReadBmpFacts(ReadBytes(BuiltDataDir() + "/" + name));
        const BmpFacts at2 = ReadBmpFacts(ReadBytes(scaled + "/" + name));
        EXPECT_EQ(at2.width, 2 * at1.width);
        EXPECT_EQ(at2.height, 2 * at1.height);
        EXPECT_EQ(at2.headerSize, at1.headerSize);
        EXPECT_EQ(at2.bitsPerPixel, at1.bitsPerPixel);
        EXPECT_EQ(at2.compression, at1.compression);
        RgbImage* small = LoadBmpImage((BuiltDataDir() + "/" + name).c_str());
        RgbImage* large = LoadBmpImage((scaled + "/" + name).c_str());
        ASSERT_TRUE(small && large);
        // Averaged over blocks of 4 x 4 texels of scale 1, the glyphs' own
        // shapes (hinted at each size) wash out; what stays is where things stand.
        const std::vector<double> blocks = Reduced(*small, 4);
        const double difference = MeanDifference(Reduced(*large, 8), blocks);
        EXPECT_LE(difference, 8.0);
        folderMean += difference * blocks.size();
        folderBlocks += blocks.size();
        FreeRgbImage(small);
        FreeRgbImage(large);
    }
    // Today 0.44 levels; words set with the advances hinted at the larger size drift to about 1.
    EXPECT_LE(folderMean / folderBlocks, 0.7);
    EXPECT_EQ(ReadBytes(scaled + "/phatfunk.mod"), ReadBytes(BuiltDataDir() + "/phatfunk.mod"));
    EXPECT_EQ(FolderPictureScale(scaled), 2);
    fs::remove_all(scaled);
}

TEST(DataFolder, CheckRecognisesTheScaleAndJudgesThePicturesThere) {
    REQUIRE_DATA();
    EXPECT_EQ(FolderPictureScale(BuiltDataDir()), 1);
    for (int32_t scale = 3; scale <= MAX_PICTURE_SCALE; ++scale) {
        SCOPED_TRACE(scale);
        const std::string dir = EnlargedFolder(scale);
        EXPECT_EQ(FolderPictureScale(dir), scale);
        // Sides of 3 x a power of two are what scale 3 means, no fault of the picture.
        for (const ScenePicture& scene : SCENE_PICTURES)
            EXPECT_EQ(CheckPicture(scene, dir, scale).problems, std::vector<std::string>{}) << scene.path;
        // A picture of another scale among them does not change the folder's.
        fs::copy_file(BuiltDataDir() + "/scr1.bmp", dir + "/scr1.bmp", fs::copy_options::overwrite_existing);
        EXPECT_EQ(FolderPictureScale(dir), scale);
        fs::remove_all(dir);
    }
}

TEST(DataFolder, LitTexelsShowOnScreenAndPagesKeepClearOfTheMenu) {
    REQUIRE_DATA();
    for (const ScenePicture& scene : SCENE_PICTURES) {
        const int32_t n = scene.number;
        const SceneRole role = scene.role;
        // The opaque backdrop and the mask.
        if (role == SceneRole::BACKDROP_LEFT || role == SceneRole::BACKDROP_RIGHT || role == SceneRole::POINTER_MASK)
            continue;
        SCOPED_TRACE(scene.path);
        RgbImage* image = LoadBmpImage((BuiltDataDir() + "/" + SceneFileName(scene.path)).c_str());
        ASSERT_NE(image, nullptr);
        const PanelPlacement& p = *FindPanelPlacement(n);
        const ScreenCorners screen = PlacementOnScreen(p);
        // Moved as they are drawn.
        bool slides = role == SceneRole::POINTER || role == SceneRole::CREDIT_WORD || role == SceneRole::CREDIT_NAME;
        int stray = 0;
        for (int32_t r = 0; r < image->height; ++r)
            for (int32_t c = 0; c < image->width; ++c) {
                const uint8_t* t = &image->pixels[(static_cast<size_t>(r) * image->width + c) * 3];
                if (std::max({t[0], t[1], t[2]}) <= 8) continue;
                double u = (c + 0.5) / image->width, v = (r + 0.5) / image->height;
                double s = (u - p.uStart) / (p.uEnd - p.uStart), w = (v - p.vStart) / (p.vEnd - p.vStart);
                double x = screen.left + s * (screen.right - screen.left);
                double y = screen.top + w * (screen.bottom - screen.top);
                bool inWindow = s >= 0 && s <= 1 && w >= 0 && w <= 1;
                bool onScreen = slides || (x >= 0 && x <= SCREEN_WIDTH && y >= 0 && y <= SCREEN_HEIGHT);
                // Page text ends left of the menu labels at screen pixel 508.
                bool clearOfMenu = role != SceneRole::TEXT_PAGE || x < 508;
                if (!(inWindow && onScreen && clearOfMenu)) ++stray;
            }
        EXPECT_EQ(stray, 0);
        FreeRgbImage(image);
    }
}

TEST(DataFolder, BadSourcesStopTheBuildWithTheReason) {
    std::string assets = TemporaryDir("assets");
    fs::copy(DefaultAssetsDir(), assets, fs::copy_options::recursive);
    auto rewrite = [&](const std::string& file, const std::string& text) {
        std::ofstream(assets + "/" + file, std::ios::binary | std::ios::trunc) << text;
    };
    std::string show;
    std::string error;
    ASSERT_TRUE(ReadTextFile(assets + "/show.txt", show, error));
    std::string longPage = "# Too long\n";
    for (int i = 0; i < 40; ++i) longPage += "Line " + std::to_string(i) + "\n\n";
    std::string noYear = show;
    noYear.erase(noYear.find("party.year"), 10);

    const struct {
        std::string file, text, message;
    } cases[] = {
        {"pages/faq-3.txt", longPage, "faq-3.txt: the text from line"},
        {"show.txt", noYear, "key party.year is missing"},
        {"show.txt", show + "\njust words\n", "expected key = value"},
        {"music/phatfunk.txt", "orders 00\n", "score"},
        {"music/samples.txt", "01 gong\n", "kinds are"},
    };
    std::string out = TemporaryDir("bad-out");
    for (const auto& c : cases) {
        std::string original;
        ASSERT_TRUE(ReadTextFile(assets + "/" + c.file, original, error));
        rewrite(c.file, c.text);
        error.clear();
        EXPECT_FALSE(BuildDataFolder(assets, out, 1, error)) << c.file;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        rewrite(c.file, original);
    }
    error.clear();
    EXPECT_FALSE(BuildDataFolder(assets + "/nowhere", out, 1, error));
    EXPECT_NE(error.find("show.txt"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(out));   // nothing is written before everything is made
    fs::remove_all(assets);
}

// Seen as the outro moves them, every ms of the credit stages: no lit point of a
// name falls on a lit point of its word while both are visible.
TEST(DataFolder, CreditNamesNeverCoverTheirWords) {
    REQUIRE_DATA();
    // Where a picture lights the screen with its panel at rest, at a quarter of full ink or more.
    auto litAtRest = [](int32_t panel) {
        std::vector<uint8_t> lit(SCREEN_WIDTH * SCREEN_HEIGHT, 0);
        const ScenePicture* scene = FindScenePicture(panel);
        RgbImage* image = scene ? LoadBmpImage((BuiltDataDir() + "/" + SceneFileName(scene->path)).c_str()) : nullptr;
        if (!image) return lit;
        const PanelPlacement& p = *FindPanelPlacement(panel);
        for (int32_t y = 0; y < SCREEN_HEIGHT; ++y)
            for (int32_t x = 0; x < SCREEN_WIDTH; ++x) {
                PlacementPoint at = PlacementAtPixel(p, x, y);
                if (at.s < 0 || at.s >= 1 || at.t < 0 || at.t >= 1) continue;
                auto c = static_cast<int32_t>((p.uStart + at.s * (p.uEnd - p.uStart)) * image->width);
                auto r = static_cast<int32_t>((p.vStart + at.t * (p.vEnd - p.vStart)) * image->height);
                const uint8_t* t = &image->pixels[(static_cast<size_t>(r) * image->width + c) * 3];
                lit[y * SCREEN_WIDTH + x] = std::max({t[0], t[1], t[2]}) >= 64;
            }
        FreeRgbImage(image);
        return lit;
    };
    for (int32_t stage = 0; stage < OUTRO_CREDIT_STAGES; ++stage) {
        std::vector<uint8_t> word = litAtRest(CREDIT_WIDE_PANEL + stage), name = litAtRest(CREDIT_NAME_PANEL + stage);
        ASSERT_GT(std::count(word.begin(), word.end(), 1), 1000) << "stage " << stage;
        ASSERT_GT(std::count(name.begin(), name.end(), 1), 300) << "stage " << stage;
        int worst = 0, worstT = 0;
        for (int32_t t = stage * 2000; t < stage * 2000 + 2000; ++t) {
            OutroCredits credits = OutroCreditsAt(t);
            if (credits.brightness < 0.05f) continue;
            // Screen pixels per unit of shift: 320 across, 240 up.
            auto wordShift = static_cast<int32_t>(std::lround(credits.offset * 320.0));
            auto nameRise = static_cast<int32_t>(std::lround(credits.offset * 240.0));
            int covered = 0;
            for (int32_t y = 0; y < SCREEN_HEIGHT; ++y)
                for (int32_t x = 0; x < SCREEN_WIDTH; ++x) {
                    int32_t sy = y - nameRise, wx = x - wordShift;
                    if (name[y * SCREEN_WIDTH + x] && sy >= 0 && sy < SCREEN_HEIGHT && wx >= 0 && wx < SCREEN_WIDTH &&
                        word[sy * SCREEN_WIDTH + wx])
                        ++covered;
                }
            if (covered > worst) {
                worst = covered;
                worstT = t;
            }
        }
        EXPECT_EQ(worst, 0) << "credit " << stage << ": " << worst << " pixels of the name on its word at t " << worstT;
    }
}
