#include "Artwork.h"
#include "HotSpot.h"
#include "WindowChrome.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QWidget>

#include <vector>

namespace {

QPixmap swatch(Qt::GlobalColor colour) {
    QPixmap pixmap(20, 20);
    pixmap.fill(colour);
    return pixmap;
}

// True when `spot` shows exactly `picture` (the very pixmap, not an equal-looking one).
bool shows(const HotSpot* spot, const QPixmap& picture) {
    return !spot->pixmap().isNull() && spot->pixmap().cacheKey() == picture.cacheKey();
}

}  // namespace

// A small window with three hot-spots (one per press look), a toolbar group of three, a bold
// label and a minimise button; the window itself is the background.
class WindowChromeTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_window.setGeometry(120, 110, 320, 200);
        m_help = spot(10, 10);
        m_browse = spot(40, 10);
        m_convert = spot(90, 10);
        m_minimise = spot(200, 10);
        for (int i = 0; i < 3; ++i) {
            m_toolbar.append(spot(10 + 50 * i, 60));
            m_toolbarLit.append(swatch(i == 0 ? Qt::red : i == 1 ? Qt::green : Qt::blue));
        }
        m_label = new QLabel(QStringLiteral("Feedback"), &m_window);
        m_label->setGeometry(10, 120, 80, 20);

        m_chrome = new WindowChrome(&m_window, &m_window);
        m_chrome->addHotSpot(m_help, m_helpLit);
        m_chrome->addHotSpot(m_browse, m_browseLit, PressLook::PressedPicture, m_browseDark);
        m_chrome->addHotSpot(m_convert, m_convertLit, PressLook::RemovePicture);
        m_chrome->addHotSpot(m_minimise, m_helpLit);
        m_chrome->addToolbarGroup(m_toolbar, m_toolbarLit);
        m_chrome->setBoldOnHover(m_label);
        m_chrome->setMinimiseButton(m_minimise);

        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }

    HotSpot* spot(int x, int y) {
        auto* hotSpot = new HotSpot(&m_window);
        hotSpot->setGeometry(x, y, 40, 30);
        return hotSpot;
    }

    // Moves the mouse, no button held, to `pos` in `widget`, through the platform as a user's
    // move would come. The cursor is taken away first when it is already there, since moving
    // it to where it stands sends nothing.
    static void hover(QWidget* widget, QPoint pos = QPoint(5, 5)) {
        if (QCursor::pos() == widget->mapToGlobal(pos)) {
            QCursor::setPos(QPoint(5000, 5000));
        }
        QTest::mouseMove(widget, pos);
    }

    void hoverBackground() { hover(&m_window, QPoint(300, 180)); }

    std::vector<bool> toolbarLit() const {
        std::vector<bool> lit;
        for (qsizetype i = 0; i < m_toolbar.size(); ++i) {
            lit.push_back(shows(m_toolbar[i], m_toolbarLit[i]));
        }
        return lit;
    }

    QWidget m_window;
    WindowChrome* m_chrome = nullptr;
    HotSpot* m_help = nullptr;
    HotSpot* m_browse = nullptr;
    HotSpot* m_convert = nullptr;
    HotSpot* m_minimise = nullptr;
    QList<HotSpot*> m_toolbar;
    QList<QPixmap> m_toolbarLit;
    QLabel* m_label = nullptr;
    const QPixmap m_helpLit = swatch(Qt::yellow);
    const QPixmap m_browseLit = swatch(Qt::cyan);
    const QPixmap m_browseDark = swatch(Qt::darkCyan);
    const QPixmap m_convertLit = swatch(Qt::magenta);
};

TEST_F(WindowChromeTest, HotSpotsStayLitUntilTheMouseReachesTheBackground) {
    hover(m_help);
    EXPECT_TRUE(shows(m_help, m_helpLit));
    hover(m_browse);
    hover(m_convert);
    hover(m_toolbar[1]);
    // Nothing is put out by leaving it.
    EXPECT_TRUE(shows(m_help, m_helpLit));
    EXPECT_TRUE(shows(m_browse, m_browseLit));
    EXPECT_TRUE(shows(m_convert, m_convertLit));
    EXPECT_TRUE(shows(m_toolbar[1], m_toolbarLit[1]));

    // The label's own moves must not count as background.
    hover(m_label, QPoint(10, 5));
    hover(m_label, QPoint(20, 5));
    EXPECT_TRUE(m_label->font().bold());

    hoverBackground();
    for (const HotSpot* s : {m_help, m_browse, m_convert, m_toolbar[0], m_toolbar[1]}) {
        EXPECT_TRUE(s->pixmap().isNull()) << s;
    }
    EXPECT_FALSE(m_label->font().bold());

    // And it all works again after the reset.
    hover(m_help, QPoint(6, 6));
    EXPECT_TRUE(shows(m_help, m_helpLit));
}

TEST_F(WindowChromeTest, ToolbarLightsOneElementAtATimeAndButtonDownPutsAllOut) {
    hover(m_toolbar[0]);
    EXPECT_EQ(toolbarLit(), (std::vector<bool>{true, false, false}));
    hover(m_toolbar[2]);
    EXPECT_EQ(toolbarLit(), (std::vector<bool>{false, false, true}));
    hover(m_toolbar[1]);
    EXPECT_EQ(toolbarLit(), (std::vector<bool>{false, true, false}));

    // A press with no move before it (a tap) still puts out the one lit.
    QTest::mousePress(m_toolbar[2], Qt::LeftButton);
    EXPECT_EQ(toolbarLit(), (std::vector<bool>{false, false, false}));
    QTest::mouseRelease(m_toolbar[2], Qt::LeftButton);
}

TEST_F(WindowChromeTest, ButtonDownShowsEachHotSpotsPressLook) {
    hover(m_browse);
    QTest::mousePress(m_browse, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(shows(m_browse, m_browseDark));
    // Moving inside it with the button still held lights it again.
    QTest::mouseMove(m_browse, QPoint(-30, 8));
    EXPECT_TRUE(shows(m_browse, m_browseDark)) << "held and moved off, it is not hovered";
    QTest::mouseMove(m_browse, QPoint(8, 8));
    EXPECT_TRUE(shows(m_browse, m_browseLit));
    QTest::mouseRelease(m_browse, Qt::LeftButton, {}, QPoint(8, 8));

    hover(m_convert);
    QTest::mousePress(m_convert, Qt::LeftButton);
    EXPECT_TRUE(m_convert->pixmap().isNull());
    QTest::mouseRelease(m_convert, Qt::LeftButton);

    hover(m_help);
    QTest::mousePress(m_help, Qt::LeftButton);
    EXPECT_TRUE(shows(m_help, m_helpLit));
    QTest::mouseRelease(m_help, Qt::LeftButton);
}

TEST_F(WindowChromeTest, MinimiseButtonMinimisesAndIsAtRestAfterwards) {
    hover(m_minimise);
    ASSERT_TRUE(shows(m_minimise, m_helpLit));
    QTest::mouseClick(m_minimise, Qt::LeftButton);
    EXPECT_TRUE(m_window.isMinimized());
    EXPECT_TRUE(m_minimise->pixmap().isNull());
}

TEST_F(WindowChromeTest, DraggingTheBackgroundMovesTheWindowAndDraggingAControlDoesNot) {
    const QPoint start = m_window.pos();
    const QPoint grip(250, 150);
    QTest::mousePress(&m_window, Qt::LeftButton, {}, grip);
    QTest::mouseMove(&m_window, grip + QPoint(25, 15));
    QTest::mouseRelease(&m_window, Qt::LeftButton, {}, grip + QPoint(25, 15));
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_window.pos() == start + QPoint(25, 15); }, 1000))
        << m_window.pos().x() << "," << m_window.pos().y();

    // A label passes its mouse events on to the window; pressing it must not drag all the same.
    const QPoint moved = m_window.pos();
    for (QWidget* control : {static_cast<QWidget*>(m_label), static_cast<QWidget*>(m_help)}) {
        QTest::mousePress(control, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseMove(control, QPoint(30, 25));
        QTest::mouseRelease(control, Qt::LeftButton, {}, QPoint(30, 25));
    }
    QTest::qWait(50);
    EXPECT_EQ(m_window.pos(), moved);
}

TEST(ArtworkTest, EveryButtonHasItsSizeAndDistinctLitAndPressedLooks) {
    using namespace Artwork;
    struct Case {
        const char* name;
        QSize size;
        QPixmap lit;
        QPixmap pressed;
    };
    const QSize round(15, 15), small(58, 18), browse(42, 22), big(187, 91), tool(86, 53);
    const Case cases[] = {
        {"help", round, roundButton(Glyph::Help, round, true),
         roundButton(Glyph::Help, round, false)},
        {"minimise", round, roundButton(Glyph::Minimise, round, true),
         roundButton(Glyph::Minimise, round, false)},
        {"exit", round, roundButton(Glyph::Exit, round, true),
         roundButton(Glyph::Exit, round, false)},
        {"text", small, textButton(QStringLiteral("OK"), small, true),
         textButton(QStringLiteral("OK"), small, false)},
        {"browse", browse, browseButton(browse, true), browseButton(browse, false)},
        {"convert", big, convertButton(QStringLiteral("Convert"), big, true),
         convertButton(QStringLiteral("Convert"), big, false)},
        {"toolbar", tool, toolbarButton(Glyph::Options, QStringLiteral("Options"), tool, true),
         toolbarButton(Glyph::Options, QStringLiteral("Options"), tool, false)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.lit.deviceIndependentSize().toSize(), c.size);
        EXPECT_EQ(c.pressed.deviceIndependentSize().toSize(), c.size);
        const QImage lit = c.lit.toImage();
        EXPECT_NE(lit, c.pressed.toImage());
        // Painted in the middle, clear in the corner, so the window shows around the shape.
        EXPECT_EQ(lit.pixelColor(lit.width() / 2, lit.height() / 2).alpha(), 255);
        EXPECT_EQ(lit.pixelColor(0, 0).alpha(), 0);
    }

    // Different glyphs must not come out the same.
    EXPECT_NE(roundButton(Glyph::Help, round, true).toImage(),
              roundButton(Glyph::Exit, round, true).toImage());
    EXPECT_NE(toolbarButton(Glyph::AddFile, {}, tool, true).toImage(),
              toolbarButton(Glyph::RemoveFile, {}, tool, true).toImage());
}
