// The OLE drop target and the count of dragged items, with data objects
// that offer text, a list of files, or nothing.
#include "tests/support/GuiTestSupport.h"

#include "vstgui/CDragContainer.h"
#include "vstgui/WindowEvents.h"
#include "vstgui/win32/CDropTarget.h"

#include <shlobj.h>

#include <cstring>
#include <string>

namespace {

using namespace guitest;

// Offers one format in global memory and nothing else.
class FakeData : public IDataObject {
public:
    FakeData(CLIPFORMAT format, std::string bytes) : format(format), bytes(std::move(bytes)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* wanted, STGMEDIUM* medium) override {
        if (wanted->cfFormat != format || !(wanted->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
        GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* wanted) override {
        return wanted->cfFormat == format ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    CLIPFORMAT format;
    std::string bytes;
};

// A file-drop list of three names in the system's layout.
std::string threeFiles() {
    DROPFILES header{};
    header.pFiles = sizeof header;
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    for (const char* name : {"C:\\a.wav", "C:\\b.wav", "C:\\c.wav"})
        bytes.append(name, std::strlen(name) + 1);
    bytes.push_back('\0');
    return bytes;
}

class DropTarget : public ::testing::Test {
protected:
    DropTarget() { frame->addView(probe); }
    std::vector<std::string> log;
    Ref<CFrame> frame{new CFrame(CRect(0, 0, 4000, 4000), nullptr, nullptr)};
    ProbeView* probe = new ProbeView(CRect(0, 0, 4000, 4000), &log);
    CDropTarget* target = new CDropTarget(frame.get());
};

TEST_F(DropTarget, AnswersForTheDropTargetAndBaseInterfacesOnly) {
    const GUID dropTarget = {0x00000122, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    const GUID unknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    const GUID other = {0x00000121, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    void* object = nullptr;
    EXPECT_EQ(target->QueryInterface(dropTarget, &object), S_OK);
    EXPECT_EQ(object, target);
    EXPECT_EQ(target->QueryInterface(unknown, &object), S_OK);
    EXPECT_EQ(target->QueryInterface(other, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(target->AddRef(), 3u);
    EXPECT_EQ(target->Release(), 2u);
    target->Release();
    EXPECT_EQ(target->Release(), 0u); // gone
}

TEST_F(DropTarget, ADragWithoutDataReportsNoEffectAndRoutesNothing) {
    target->AddRef();
    POINTL point{0, 0};
    DWORD effect = 7;
    EXPECT_EQ(target->DragEnter(nullptr, 0, point, &effect), S_OK);
    EXPECT_EQ(effect, 0u);
    EXPECT_EQ(windowEvents::currentDrag(), nullptr);
    effect = 7;
    EXPECT_EQ(target->DragOver(0, point, &effect), S_OK);
    EXPECT_EQ(effect, 7u);
    EXPECT_TRUE(log.empty());
    target->Release();
}

TEST_F(DropTarget, TextCountsOneItemAndThreeFilesCountThree) {
    target->AddRef();
    FakeData text(CF_TEXT, std::string("hello", 6));
    FakeData files(CF_HDROP, threeFiles());
    FakeData nothing(CF_BITMAP, "x");
    POINTL point{0, 0};
    DWORD effect = 0;
    target->DragEnter(&text, 0, point, &effect);
    EXPECT_EQ(effect, 2u);
    ASSERT_NE(windowEvents::currentDrag(), nullptr);
    EXPECT_EQ(windowEvents::currentDrag()->getCount(), 1);
    target->DragOver(0, point, &effect);
    target->Drop(&text, 0, point, &effect);
    EXPECT_EQ(windowEvents::currentDrag(), nullptr);
    EXPECT_EQ(log,
              (std::vector<std::string>{"probe:enter", "probe:move", "probe:drop", "probe:leave"}));
    target->DragEnter(&files, 0, point, &effect);
    EXPECT_EQ(windowEvents::currentDrag()->getCount(), 3);
    target->DragLeave();
    target->DragEnter(&nothing, 0, point, &effect);
    EXPECT_EQ(windowEvents::currentDrag()->getCount(), 0);
    target->DragLeave();
    EXPECT_EQ(windowEvents::currentDrag(), nullptr);
    target->Release();
}

} // namespace
