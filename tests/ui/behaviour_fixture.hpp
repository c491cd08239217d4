// Both windows at work on the Qt backend (offscreen), for the tests of what the backend reports
// to the window logic: the window logic over the reader service and the in-process virtual
// platform with virtual readers, the recording fakes of the message boxes and of the waits (no
// real time passes), and a catalogue of test images.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <string>
#include <vector>

#include "core/reader_service.hpp"
#include "firmware_test_images.hpp"
#include "link/hid_vp_tab.hpp"
#include "sim/virtual_platform.hpp"
#include "sim/virtual_reader.hpp"
#include "ui/layout.hpp"
#include "ui/qt/qt_form.hpp"
#include "ui/wmain.hpp"
#include "ui/wwork.hpp"
#include "ui_fixture.hpp"

namespace zrt::ui::test {

class QtBehaviour : public ::testing::Test {
  protected:
    static constexpr std::uint16_t IMAGE_VERSION = 12;
    // Dec (whole number), Enter, Mifare; S0 sends TAB, S3 sends F1 with left Shift.
    static constexpr std::array<std::uint8_t, 16> RECORD = {
        0xE0, 0x80, 0x04, 0x00, 0x2B, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3A, 0x02, 0, 0};

    QtBehaviour() {
        boxes.answer = true;
        win.AttachWorkWin(work);
        readers.SetFirmwareCatalogue(images.View());
    }

    // The main window shown and active, its first activation done without a sink; events reach
    // the window from then on only when a test calls a handler or runs the loop.
    void ShowActive() {
        mainForm.show();
        mainForm.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&mainForm));
    }
    void Connect() { mainForm.SetEventSink(&events); }

    QWidget* W(const std::string& name) const { return mainForm.Widget(name); }
    QWidget* Focused() const { return QApplication::focusWidget(); }
    // Command letters the reader received, in order.
    static std::string Wire(const sim::VirtualReader& reader) {
        std::string letters;
        for (const sim::Request& request : reader.Log()) {
            letters += static_cast<char>(request.command);
        }
        return letters;
    }

    sim::VirtualPlatform platform;
    link::HidVPTab hidVP41{platform};
    link::HidVPTab hidVP51{platform};
    core::ReaderService readers{platform, hidVP41, hidVP51};
    FakeDialogs boxes;
    FakeWaiter waits;
    firmware::testing::TestCatalogue images{IMAGE_VERSION};
    qt::QtForm mainForm{MainWinLayout()};
    qt::QtForm workForm{WorkWinLayout()};
    TMainWin win{mainForm, readers, boxes, waits};
    TWorkWin work{workForm};
    RecordingSink events{&win};

    // Readers of both product identifiers; a test plugs in the ones it needs.
    sim::VirtualReader reader51{link::ReaderInfo{151, 42, IMAGE_VERSION}, RECORD,
                                link::PRODUCT_ID_51};
    sim::VirtualReader reader41{link::ReaderInfo{141, 7, IMAGE_VERSION}, RECORD,
                                link::PRODUCT_ID_41};
};

}  // namespace zrt::ui::test
