// Renders the window test's tree with the software backend into a PNG: the
// first paint, then the values the window ended with, drawn by an idle pass
// as the window draws them.
// usage: brelto_render_tree OUTPUT.png KNOB-VALUE LAMP-VALUE TEXT
#include "DemoTree.h"

#include "tests/support/software/PngFile.h"
#include "vstgui/software/SoftwareSystem.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: brelto_render_tree OUTPUT.png KNOB-VALUE LAMP-VALUE TEXT\n");
        return 2;
    }
    using namespace VSTGUI;
    native::Handle host = software::createHostWindow(0, 0, demo::kWidth, demo::kHeight);
    auto* frame = new CFrame(CRect(0, 0, demo::kWidth, demo::kHeight), host, nullptr);
    demo::DemoTree tree = demo::buildDemoTree(frame, nullptr);
    native::Handle window = frame->getNativeWindow();
    software::invalidate(window, CRect(0, 0, demo::kWidth, demo::kHeight));
    software::paint(window);
    demo::showKnobValue(tree, std::strtof(argv[2], nullptr));
    tree.lamp->setValue(std::strtof(argv[3], nullptr));
    tree.edit->setText(argv[4]);
    frame->idle();
    const bool written = guitest::writePng(window, argv[1]);
    frame->forget();
    software::destroyHostWindow(host);
    if (!written) std::fprintf(stderr, "brelto_render_tree: cannot write %s\n", argv[1]);
    return written ? 0 : 1;
}
