// The tracker score and sample text: what they accept and how they refuse.
#include "tools/generate/module.h"

#include <gtest/gtest.h>

namespace {

std::string ScoreText(const std::string& orders, const std::string& patterns, const std::string& head = "") {
    return "title t\n" + head + "orders " + orders + "\n" + patterns;
}

const char* EMPTY_ROW = "--- .. ... | --- .. ... | --- .. ... | --- .. ...";

}  // namespace

TEST(Score, NotesMapToProTrackerPeriods) {
    const std::pair<const char*, int32_t> cases[] = {
        {"C-1", 856}, {"C#1", 808}, {"B-1", 453}, {"C-2", 428}, {"A-2", 254}, {"C-3", 214},
        {"B-3", 113}, {"---", 0},   {"C-4", -1},  {"H-2", -1},  {"c-3", -1},  {"C-", -1},
    };
    for (auto [note, period] : cases) EXPECT_EQ(NotePeriod(note), period) << note;
}

TEST(Score, ReadsCellsAndLeavesMissingRowsEmpty) {
    Score score;
    std::string error;
    ASSERT_TRUE(ParseScore(ScoreText("00 01", "pattern 00\n00 | C-3 01 C40 | --- .. ... | F#2 31 EC3 | --- 02 ...\n"
                                          "pattern 01\n63 | " + std::string(EMPTY_ROW) + "\n",
                                 "speed 5\ntempo 140\nrestart 1\n"),
                           score, error))
        << error;
    EXPECT_EQ(score.speed, 5);
    EXPECT_EQ(score.tempo, 140);
    EXPECT_EQ(score.restart, 1);
    ASSERT_EQ(score.patterns.size(), 2u);
    const auto& row = score.patterns[0][0];
    EXPECT_EQ(row[0].period, 214);
    EXPECT_EQ(row[0].sample, 1);
    EXPECT_EQ(row[0].effect, 0xC);
    EXPECT_EQ(row[0].param, 0x40);
    EXPECT_EQ(row[2].period, 302);
    EXPECT_EQ(row[2].sample, 31);
    EXPECT_EQ(row[2].effect, 0xE);
    EXPECT_EQ(row[2].param, 0xC3);
    EXPECT_EQ(row[3].period, 0);
    EXPECT_EQ(row[3].sample, 2);
    EXPECT_EQ(score.patterns[0][1][0].period, 0);
}

TEST(Score, RefusesWhatWouldBreakTheSongAndNamesTheLine) {
    const std::string ok = "pattern 00\n00 | " + std::string(EMPTY_ROW) + "\n";
    const struct {
        std::string text;
        const char* message;
    } cases[] = {
        {ScoreText("00", "pattern 00\n00 | C-4 01 ... | --- .. ... | --- .. ... | --- .. ...\n"), "line 4"},
        {ScoreText("00", "pattern 00\n00 | C-3 32 ... | --- .. ... | --- .. ... | --- .. ...\n"), "01 to 31"},
        {ScoreText("00", "pattern 00\n00 | C-3 01 XYZ | --- .. ... | --- .. ... | --- .. ...\n"), "hex"},
        {ScoreText("00", "pattern 00\n00 | C-3 01 ... | --- .. ... | --- .. ...\n"), "four cells"},
        {ScoreText("00", "pattern 00\n05 | " + std::string(EMPTY_ROW) + "\n04 | " + EMPTY_ROW + "\n"), "upwards"},
        {ScoreText("00", "pattern 00\n64 | " + std::string(EMPTY_ROW) + "\n"), "upwards"},
        {ScoreText("00", "00 | " + std::string(EMPTY_ROW) + "\n"), "before the first"},
        {ScoreText("00 01", ok), "not written"},
        {ScoreText("00", ok, "restart 1\n"), "restart"},
        {ScoreText("00 00", "pattern 00\n10 | --- .. ... | --- .. B01 | --- .. ... | --- .. ...\n"), "own order"},
        {ScoreText("00", "pattern 00\n10 | --- .. ... | --- .. B05 | --- .. ... | --- .. ...\n"), "past the last"},
        {ScoreText("00", ok + "pattern 01\n"), "no order plays"},
        {ScoreText("", ok), "orders"},
    };
    for (const auto& c : cases) {
        Score score;
        std::string error;
        EXPECT_FALSE(ParseScore(c.text, score, error)) << c.text;
        EXPECT_NE(error.find(c.message), std::string::npos) << error << "\nfor\n" << c.text;
    }
}

TEST(Samples, ReadDefinitionsAndRefuseBadOnes) {
    std::array<SampleDefinition, MOD_SAMPLES> samples;
    std::string error;
    ASSERT_TRUE(ParseSamples("# drums\n01 kick volume=60 length=200\n06 stab chord=0,3,7,10\nname 09 hello there\n",
                             samples, error))
        << error;
    EXPECT_EQ(samples[0].kind, "kick");
    EXPECT_EQ(samples[0].params.at("volume"), 60);
    EXPECT_EQ(samples[5].chord, (std::vector<double>{0, 3, 7, 10}));
    EXPECT_EQ(samples[8].name, "hello there");
    EXPECT_TRUE(samples[1].kind.empty());

    const std::pair<const char*, const char*> bad[] = {
        {"32 kick\n", "01 to 31"},
        {"01 gong\n", "kinds"},
        {"01 kick volume\n", "key=value"},
        {"01 kick volume=loud\n", "not a number"},
        {"01 kick volume=65\n", "volume"},
        {"01 kick length=0\n", "length"},
        {"01 stab chord=0,,7\n", "chord"},
        {"name 01 a name far too long for a module\n", "22"},
    };
    for (auto [text, message] : bad) {
        EXPECT_FALSE(ParseSamples(text, samples, error)) << text;
        EXPECT_NE(error.find(message), std::string::npos) << error;
        EXPECT_NE(error.find("line 1"), std::string::npos) << error;
    }
}

TEST(Samples, SynthesisIsQuietAtBothEndsAndEven) {
    const char* kinds[] = {"kick", "snare", "hihat", "bass", "stab", "lead"};
    for (const char* kind : kinds) {
        SampleDefinition sample;
        sample.kind = kind;
        sample.params["length"] = 150;
        std::vector<int8_t> pcm = SynthesiseSample(sample);
        ASSERT_GT(pcm.size(), 1000u) << kind;
        EXPECT_EQ(pcm.size() % 2, 0u) << kind;
        EXPECT_EQ(pcm[0], 0) << kind;
        EXPECT_EQ(pcm[1], 0) << kind;
        EXPECT_LE(std::abs(pcm.back()), 1) << kind;
        int peak = 0;
        for (int8_t v : pcm) peak = std::max(peak, std::abs(int{v}));
        EXPECT_GT(peak, 100) << kind;
    }
}
