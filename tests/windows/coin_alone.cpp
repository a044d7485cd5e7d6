// Coin on its own in the Windows build, with no window and no GL: a scene read from memory,
// its bounding box, and the scene written back to memory and read again. Prints what it finds;
// the exit status is the number of wrong results. A Coin built with a fault of its own (say,
// compiled for another calling convention than the program) fails here before any viewer runs.
#include <Inventor/SbBox.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoOutput.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/actions/SoWriteAction.h>
#include <Inventor/nodes/SoSeparator.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

const char scene[] = "#Inventor V2.0 ascii\n"
                     "Separator { Cube {} Translation { translation 3 0 0 } Sphere {} }";

int failures = 0;

void check(bool ok, const char *what)
{
    printf("%s: %s\n", ok ? "ok" : "FAIL", what);
    fflush(stdout);
    failures += !ok;
}

SoSeparator *read_from_memory(const char *text, size_t length)
{
    SoInput input;
    input.setBuffer(text, length);
    return SoDB::readAll(&input);
}

// The unit cube at the origin and the unit sphere three units along x.
bool expected_box(const SbBox3f &box)
{
    float x0, y0, z0, x1, y1, z1;
    box.getBounds(x0, y0, z0, x1, y1, z1);
    printf("bounding box (%g, %g, %g) to (%g, %g, %g)\n", x0, y0, z0, x1, y1, z1);
    const float want[6] = {-1, -1, -1, 4, 1, 1};
    const float got[6] = {x0, y0, z0, x1, y1, z1};
    for (int i = 0; i < 6; i++)
        if (std::fabs(got[i] - want[i]) > 1e-4f)
            return false;
    return true;
}

SbBox3f bounding_box(SoNode *root)
{
    SoGetBoundingBoxAction action(SbViewportRegion(100, 100));
    action.apply(root);
    return action.getBoundingBox();
}

void *grow(void *buffer, size_t size)
{
    return realloc(buffer, size);
}

} // namespace

int main(void)
{
    SoDB::init();
    SoSeparator *root = read_from_memory(scene, strlen(scene));
    check(root != nullptr, "the scene reads from memory");
    if (!root)
        return failures;
    root->ref();
    check(root->getNumChildren() == 3, "it has three children");
    check(expected_box(bounding_box(root)), "its bounding box holds the cube and the sphere");

    SoOutput output;
    output.setBuffer(malloc(1024), 1024, grow);
    SoWriteAction writer(&output);
    writer.apply(root);
    void *written = nullptr;
    size_t size = 0;
    output.getBuffer(written, size);
    SoSeparator *again = read_from_memory(static_cast<const char *>(written), size);
    check(again != nullptr, "the scene written to memory reads again");
    if (again) {
        again->ref();
        check(expected_box(bounding_box(again)), "and has the same bounding box");
        again->unref();
    }
    free(written);
    root->unref();
    printf("%d failure(s)\n", failures);
    return failures;
}
