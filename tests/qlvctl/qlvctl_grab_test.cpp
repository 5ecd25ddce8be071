// qlvctl grab: the saved picture as another program reads it (bmp_probe.py, and `file` where it
// is installed), and how the virtual camera's picture answers settings applied before streaming.
#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "qlvctl_run.h"

namespace qlvctl::testing {
namespace {

using ::testing::HasSubstr;
namespace fs = std::filesystem;

using Colour = std::array<double, 3>;  // red, green, blue

// bmp_probe.py's report: each line a name and its values.
class Probe {
public:
    explicit Probe(const std::string& report) {
        std::istringstream lines(report);
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream words(line);
            std::string name;
            words >> name;
            std::vector<std::string>& values = fields_[name];
            for (std::string value; words >> value;) {
                values.push_back(value);
            }
        }
    }

    bool has(const std::string& name) const { return fields_.contains(name); }
    std::string text(const std::string& name) const {
        return has(name) ? fields_.at(name).front() : "";
    }
    double number(const std::string& name, std::size_t i = 0) const {
        return has(name) && fields_.at(name).size() > i ? std::stod(fields_.at(name)[i]) : NAN;
    }
    Colour colour(const std::string& name) const {
        return {number(name, 0), number(name, 1), number(name, 2)};
    }
    // The mean colour of the i-th of eight columns across the colour bars.
    Colour bar(int i) const { return colour("bar" + std::to_string(i)); }

private:
    std::map<std::string, std::vector<std::string>> fields_;
};

std::optional<Probe> probe(const fs::path& file) {
    const std::string python = QLVCTL_PYTHON3;
    if (python.empty() || python.ends_with("NOTFOUND")) {
        ADD_FAILURE() << "python3 is needed to read the pictures back";
        return std::nullopt;
    }
    const auto result = run({python, QLVCTL_BMP_PROBE, file.string()}, cameraEnvironment());
    if (!result || result->exitCode != 0) {
        ADD_FAILURE() << "bmp_probe.py failed on " << file << ": " << (result ? result->err : "");
        return std::nullopt;
    }
    return Probe(result->out);
}

double largestDifference(const Colour& a, const Colour& b) {
    double largest = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        largest = std::max(largest, std::abs(a[i] - b[i]));
    }
    return largest;
}

std::vector<std::string> filesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

class QlvctlGrabTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder_.path().empty()); }

    // Grabs into `name` in this test's folder and reads the picture back.
    std::optional<Probe> grab(const std::string& name, std::vector<std::string> options = {},
                              EnvironmentChanges extra = {}) {
        const fs::path file = folder_.path() / name;
        options.insert(options.begin(), {"grab", file.string()});
        const auto result =
            run(qlvctl(options), virtualCameraEnvironment(folder_.path() / "eeprom.bin", extra));
        if (!result) {
            ADD_FAILURE() << "grab did not end";
            return std::nullopt;
        }
        lastOut_ = result->out;
        if (result->exitCode != 0) {
            ADD_FAILURE() << "grab exited " << result->exitCode << ": " << result->err;
            return std::nullopt;
        }
        return probe(file);
    }

    TemporaryFolder folder_;
    std::string lastOut_;
};

// ---- The file ----------------------------------------------------------------------------------

struct GrabCase {
    std::string name;
    std::vector<std::string> options;
    EnvironmentChanges environment;
    int width;
    int height;
};

void PrintTo(const GrabCase& c, std::ostream* os) {
    *os << c.name;
}

class QlvctlGrabFileTest : public QlvctlGrabTest, public ::testing::WithParamInterface<GrabCase> {};

TEST_P(QlvctlGrabFileTest, WritesABitmapAnotherReaderAccepts) {
    const GrabCase& c = GetParam();
    const auto picture = grab("shot.bmp", c.options, c.environment);
    ASSERT_TRUE(picture);
    const std::string size = std::to_string(c.width) + " x " + std::to_string(c.height);
    EXPECT_THAT(lastOut_, HasSubstr("shot.bmp: " + size));

    EXPECT_EQ(picture->text("signature"), "BM");
    EXPECT_EQ(picture->number("width"), c.width);
    EXPECT_EQ(picture->number("height"), c.height);
    EXPECT_EQ(picture->number("planes"), 1);
    EXPECT_EQ(picture->number("bits"), 24);
    EXPECT_EQ(picture->number("compression"), 0);
    EXPECT_EQ(picture->number("header_size"), 40);
    EXPECT_EQ(picture->number("offset"), 54);
    const int stride = (c.width * 3 + 3) & ~3;
    EXPECT_EQ(picture->number("file_size"), 54.0 + stride * c.height);
    EXPECT_EQ(picture->number("declared_size"), picture->number("file_size"));
    EXPECT_FALSE(picture->has("truncated"));
    const Colour variance = picture->colour("variance");
    EXPECT_GT(*std::max_element(variance.begin(), variance.end()), 100.0) << "a blank picture";

    EXPECT_EQ(filesIn(folder_.path()), std::vector<std::string>{"shot.bmp"})
        << "no temporary file may stay behind";

    const std::string fileProgram = QLVCTL_FILE;
    if (!fileProgram.empty() && !fileProgram.ends_with("NOTFOUND")) {
        const auto described =
            run({fileProgram, "-b", (folder_.path() / "shot.bmp").string()}, cameraEnvironment());
        ASSERT_TRUE(described);
        EXPECT_THAT(described->out, HasSubstr("PC bitmap"));
        EXPECT_THAT(described->out, HasSubstr(size + " x 24"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Grab, QlvctlGrabFileTest,
    ::testing::Values(GrabCase{"Resolution0", {}, {}, 640, 480},
                      GrabCase{"Resolution1", {"--resolution", "1"}, {}, 1280, 1024},
                      GrabCase{
                          "Sensor512Lines", {}, {{"QLV_VIRTUAL_CAMERA_LINES", "512"}}, 640, 512}),
    [](const auto& info) { return info.param.name; });

TEST_F(QlvctlGrabTest, UnwritablePlaceFailsWithExit1BeforeStreaming) {
    const fs::path file = folder_.path() / "missing" / "shot.bmp";
    const auto result = run(qlvctl({"grab", file.string()}),
                            virtualCameraEnvironment(folder_.path() / "eeprom.bin"));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->exitCode, 1);
    EXPECT_THAT(result->err, HasSubstr(file.string()));
    EXPECT_EQ(result->out, "");
}

TEST_F(QlvctlGrabTest, RefusesATargetThatIsNotARegularFile) {
    const fs::path pipe = folder_.path() / "pipe";
    const fs::path directory = folder_.path() / "folder";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    fs::create_directory(directory);
    for (const fs::path& target : {pipe, directory, folder_.path() / "link to pipe"}) {
        if (target.filename() == "link to pipe") {
            fs::create_symlink(pipe, target);
        }
        const auto result = run(qlvctl({"grab", target.string()}),
                                virtualCameraEnvironment(folder_.path() / "eeprom.bin"));
        ASSERT_TRUE(result);
        EXPECT_EQ(result->exitCode, 1) << target;
        EXPECT_THAT(result->err, HasSubstr("not a regular file")) << target;
    }
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(pipe)));
    EXPECT_TRUE(fs::is_directory(directory));
}

TEST_F(QlvctlGrabTest, WritesThroughALinkAndKeepsTheLink) {
    fs::create_directory(folder_.path() / "pictures");
    const fs::path link = folder_.path() / "latest.bmp";
    fs::create_symlink("pictures/shot.bmp", link);
    { std::ofstream(folder_.path() / "pictures" / "shot.bmp") << "old"; }
    ASSERT_TRUE(grab("latest.bmp"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_GT(fs::file_size(folder_.path() / "pictures" / "shot.bmp"), 640u * 480u * 3u);
}

TEST_F(QlvctlGrabTest, WithoutACameraExits2AndLeavesNoFile) {
    const auto result = run(qlvctl({"grab", (folder_.path() / "shot.bmp").string()}),
                            cameraEnvironment(), std::chrono::seconds(10));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->exitCode, 2);
    EXPECT_THAT(result->err, HasSubstr("no camera found"));
    EXPECT_TRUE(filesIn(folder_.path()).empty());
}

// ---- Settings seen in the picture ------------------------------------------------------------
// The virtual camera films 75 % colour bars, white to black, across the upper part of the picture.

TEST_F(QlvctlGrabTest, HueTurnsTheColoursAndLeavesTheGreysAlone) {
    const auto plain = grab("plain.bmp");
    const auto turned = grab("turned.bmp", {"--set", "hue=900"});
    ASSERT_TRUE(plain && turned);
    EXPECT_THAT(lastOut_, HasSubstr("hue set to 90.0 degrees"));
    EXPECT_LT(largestDifference(plain->bar(0), turned->bar(0)), 4) << "white has no hue";
    EXPECT_LT(largestDifference(plain->bar(7), turned->bar(7)), 4) << "black has no hue";
    for (int i = 1; i < 7; ++i) {
        EXPECT_GT(largestDifference(plain->bar(i), turned->bar(i)), 40) << "bar " << i;
    }
}

TEST_F(QlvctlGrabTest, MirrorReversesTheBars) {
    const auto plain = grab("plain.bmp");
    const auto mirrored = grab("mirrored.bmp", {"--set", "mirror=1"});
    ASSERT_TRUE(plain && mirrored);
    EXPECT_THAT(lastOut_, HasSubstr("mirror switched on"));
    for (int i = 0; i < 8; ++i) {
        EXPECT_LT(largestDifference(plain->bar(i), mirrored->bar(7 - i)), 4) << "bar " << i;
    }
    EXPECT_GT(largestDifference(plain->bar(0), mirrored->bar(0)), 100) << "white and black swap";
}

TEST_F(QlvctlGrabTest, ManualExposureSetsTheBrightness) {
    // Applied in order: automatic exposure must be off before the manual value holds.
    const auto shortExposure =
        grab("short.bmp", {"--set", "ae=off", "--set", "exposure=0x100,0x20"});
    EXPECT_THAT(lastOut_, HasSubstr("automatic exposure switched off\n"
                                    "exposure set to shutter 256, gain 32\n"));
    const auto longExposure = grab("long.bmp", {"--set", "ae=off", "--set", "exposure=0x600"});
    ASSERT_TRUE(shortExposure && longExposure);
    const double dark = shortExposure->bar(0)[1];
    const double bright = longExposure->bar(0)[1];
    EXPECT_GT(bright, dark + 30) << "the white bar under a six times longer exposure";
}

}  // namespace
}  // namespace qlvctl::testing
