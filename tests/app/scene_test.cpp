// The embedded overlay scene: its exact text, what Coin reads from it, and the failure path.
#include "overlay_scene.h"

#include "child_process.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/nodes/SoColorIndex.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoFaceSet.h>
#include <Inventor/nodes/SoLightModel.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoSeparator.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

namespace
{

std::string blanks(int count)
{
    return std::string(count, ' ');
}

// The expected text, put together from its layout rules rather than copied.
std::string expected_text()
{
    std::string four = blanks(4), seven = blanks(7);
    return "#Inventor V2.0 ascii\n"
           "Separator {" +
           four + "OrthographicCamera {" + seven + "position 0 0 5" + seven + "nearDistance 1.0" +
           seven + "farDistance 10.0" + seven + "height 10" + four + "}" + four +
           "LightModel { model BASE_COLOR }" + four + "ColorIndex { index 1 }" + four +
           "Coordinate3 { point [ -1 -1 0, -1 1 0, 1 1 0, 1 -1 0] }" + four + "FaceSet {}" + " } ";
}

class SceneTest : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        SoDB::init();
    }
};

const char failure_output[] = "Couldn't read scene\n\nEXITING WITH STATUS 1\n";

// Loading `text` in a child: the message, the banner for status 1, then the wait.
void expect_read_failure(const char *text)
{
    ChildResult child = run_in_child([text] {
        SoInput input;
        load_overlay_scene(input, text);
        ssize_t written = write(STDOUT_FILENO, "returned\n", 9);
        (void)written;
    });
    EXPECT_EQ(child.output, failure_output) << "text: " << text;
    EXPECT_TRUE(child.still_waiting) << "text: " << text << "; the child " << child.how;
}

} // namespace

TEST(SceneText, IsTheExactCharacters)
{
    std::string text = overlay_scene_text;
    EXPECT_EQ(text.size(), 281u);
    EXPECT_EQ(text, expected_text());
    EXPECT_EQ(text.find('\n'), std::string("#Inventor V2.0 ascii").size());
    EXPECT_EQ(text.find('\n', text.find('\n') + 1), std::string::npos); // one body line
    EXPECT_EQ(text.substr(text.size() - 4), "} } ");
}

TEST_F(SceneTest, ReadsAsOneSeparatorWithFiveChildren)
{
    // A failed load waits for ever: try it in a child before loading here.
    ChildResult child = run_in_child([] {
        SoInput input;
        load_overlay_scene(input, overlay_scene_text);
    });
    ASSERT_TRUE(child.exited && child.status == 99)
        << "loading the embedded text: the child " << child.how << ", writing \"" << child.output
        << "\"";

    SoInput input;
    SoNode *root = load_overlay_scene(input, overlay_scene_text);
    ASSERT_NE(root, nullptr);
    root->ref();
    ASSERT_TRUE(root->isOfType(SoSeparator::getClassTypeId()));
    auto *group = static_cast<SoSeparator *>(root);
    ASSERT_EQ(group->getNumChildren(), 5);

    auto *camera = dynamic_cast<SoOrthographicCamera *>(group->getChild(0));
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->position.getValue(), SbVec3f(0, 0, 5));
    EXPECT_FLOAT_EQ(camera->nearDistance.getValue(), 1.0f);
    EXPECT_FLOAT_EQ(camera->farDistance.getValue(), 10.0f);
    EXPECT_FLOAT_EQ(camera->height.getValue(), 10.0f);
    EXPECT_TRUE(camera->orientation.isDefault()); // looks down -z

    auto *light_model = dynamic_cast<SoLightModel *>(group->getChild(1));
    ASSERT_NE(light_model, nullptr);
    EXPECT_EQ(light_model->model.getValue(), SoLightModel::BASE_COLOR);

    auto *color_index = dynamic_cast<SoColorIndex *>(group->getChild(2));
    ASSERT_NE(color_index, nullptr);
    ASSERT_EQ(color_index->index.getNum(), 1);
    EXPECT_EQ(color_index->index[0], 1);

    auto *coordinates = dynamic_cast<SoCoordinate3 *>(group->getChild(3));
    ASSERT_NE(coordinates, nullptr);
    ASSERT_EQ(coordinates->point.getNum(), 4);
    const SbVec3f corners[] = {{-1, -1, 0}, {-1, 1, 0}, {1, 1, 0}, {1, -1, 0}};
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(coordinates->point[i], corners[i]) << "corner " << i;

    auto *faces = dynamic_cast<SoFaceSet *>(group->getChild(4));
    ASSERT_NE(faces, nullptr);
    EXPECT_TRUE(faces->numVertices.isDefault()); // one polygon through all coordinates
    root->unref();
}

TEST_F(SceneTest, UnreadableTextsEndInTheMessageBannerAndWait)
{
    std::string truncated = std::string(overlay_scene_text).substr(0, 150);
    std::string misspelt = overlay_scene_text;
    misspelt.replace(misspelt.find("FaceSet"), 7, "FaceSot");
    expect_read_failure(truncated.c_str());
    expect_read_failure(misspelt.c_str());
    expect_read_failure("not an Inventor file at all");
}

TEST_F(SceneTest, HeaderOnlyTextFailsThoughTheReadSucceeds)
{
    const char header_only[] = "#Inventor V2.0 ascii\n";
    SoInput input;
    input.setBuffer(header_only, strlen(header_only));
    SoNode *root = reinterpret_cast<SoNode *>(1);
    ASSERT_NE(SoDB::read(&input, root), 0); // the case under test: success, no root
    ASSERT_EQ(root, nullptr);
    expect_read_failure(header_only);
}

// The failure path with standard output closed, full, or a pipe without a reader: the
// process neither crashes nor ends, it waits as it does when the message is seen. What it
// writes can't be seen here, since its stdout is no longer the capture pipe.
TEST_F(SceneTest, FailurePathWaitsWhateverStandardOutputIs)
{
    const std::function<void()> break_stdout[] = {
        [] { close(STDOUT_FILENO); },
        [] { dup2(open("/dev/full", O_WRONLY), STDOUT_FILENO); },
        [] {
            int ends[2];
            if (pipe(ends) == 0) {
                close(ends[0]);
                dup2(ends[1], STDOUT_FILENO);
            }
        },
    };
    const char *names[] = {"closed", "/dev/full", "pipe without reader"};
    for (int i = 0; i < 3; i++) {
        ChildResult child = run_in_child([&] {
            break_stdout[i]();
            SoInput input;
            load_overlay_scene(input, "not a scene");
        });
        EXPECT_TRUE(child.still_waiting) << names[i] << ": the child " << child.how;
    }
}
