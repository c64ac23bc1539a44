// Renders the window test's tree with the software backend into a PNG, the
// same sequence of first paint and idle update that the window goes through.
// usage: brelto_render_tree OUTPUT.png
#include "DemoTree.h"

#include "tests/support/software/PngFile.h"
#include "vstgui/software/SoftwareSystem.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brelto_render_tree OUTPUT.png\n");
        return 2;
    }
    using namespace VSTGUI;
    native::Handle host = software::createHostWindow(0, 0, demo::kWidth, demo::kHeight);
    auto* frame = new CFrame(CRect(0, 0, demo::kWidth, demo::kHeight), host, nullptr);
    demo::DemoTree tree = demo::buildDemoTree(frame);
    native::Handle window = frame->getNativeWindow();
    software::invalidate(window, CRect(0, 0, demo::kWidth, demo::kHeight));
    software::paint(window);
    demo::turnKnob(tree);
    frame->idle();
    const bool written = guitest::writePng(window, argv[1]);
    frame->forget();
    software::destroyHostWindow(host);
    if (!written) std::fprintf(stderr, "brelto_render_tree: cannot write %s\n", argv[1]);
    return written ? 0 : 1;
}
