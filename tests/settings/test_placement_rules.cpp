// The placement rules without a window: what a save writes, what a restore
// decides from a section, and where a window may end up.
#include "runner/metatypes.h"
#include "settings/placement_rules.h"

#include <QTest>

#include <climits>
#include <string>

using namespace settings;
using namespace std::string_literals;

Q_DECLARE_METATYPE(settings::PlacementRect)
Q_DECLARE_METATYPE(settings::WindowShow)
Q_DECLARE_METATYPE(settings::FrameMargins)
Q_DECLARE_METATYPE(settings::SizeLimits)

namespace {

constexpr std::string_view kSection = "formpara";
constexpr std::string_view kMark = "(1280x1024)";
const PlacementRect kCurrent{376, 339, 376 + 527, 339 + 346};

PlacementRecord SampleRecord() {
    PlacementRecord record;
    record.formVersion = 0;
    record.flags = 0;
    record.showCmd = kShowNormal;
    record.pixelsPerInch = 96;
    record.minMax = {-1, -1, -4, -23};
    record.normal = {100, 200, 631, 573};
    record.visible = false;
    return record;
}

} // namespace

namespace QTest {
template <> char* toString(const settings::PlacementRect& r) {
    return QTest::toString(
        QStringLiteral("%1,%2,%3,%4").arg(r.left).arg(r.top).arg(r.right).arg(r.bottom));
}
} // namespace QTest

class TestPlacementRules : public QObject {
    Q_OBJECT
private slots:
    void screenMark();
    void saveWritesNineKeysInOrder();
    void saveAgainReplacesInPlace();
    void anotherScreenAddsMarkedPair();
    void saveAtDestructionWritesVisible();
    void restore_data();
    void restore();
    void restoreState_data();
    void restoreState();
    void restoreOptions();
    void fit_data();
    void fit();
    void usablePart_data();
    void usablePart();
    void centre_data();
    void centre();
};

void TestPlacementRules::screenMark() {
    QCOMPARE(ScreenMark(1280, 1024), "(1280x1024)"s);
    QCOMPARE(ScreenMark(800, 600), "(800x600)"s);
    QCOMPARE(FourNumbers(-1, 0, 2147483647, -2147483647 - 1), "-1,0,2147483647,-2147483648"s);
}

void TestPlacementRules::saveWritesNineKeysInOrder() {
    ProfileFile file;
    QVERIFY(WritePlacement(file, kSection, kMark, SampleRecord()));
    QCOMPARE(file.Text(), "[formpara]\n"
                          "FormVersion=0\n"
                          "Flags=0\n"
                          "ShowCmd=1\n"
                          "PixelsPerInch=96\n"
                          "MinMaxPos(1280x1024)=-1,-1,-4,-23\n"
                          "MinMaxPos=-1,-1,-4,-23\n"
                          "NormPos(1280x1024)=100,200,631,573\n"
                          "NormPos=100,200,631,573\n"
                          "Visible=0\n"s);
}

void TestPlacementRules::saveAgainReplacesInPlace() {
    ProfileFile file("; kept\n[detform]\nFoo=bar\n\n[formpara]\nShowCmd=7\nExtra=1\n"s);
    PlacementRecord record = SampleRecord();
    record.showCmd = kShowMaximized;
    QVERIFY(WritePlacement(file, kSection, kMark, record));
    record.normal = {1, 2, 3, 4};
    QVERIFY(WritePlacement(file, kSection, kMark, record));
    QCOMPARE(file.Text(), "; kept\n[detform]\nFoo=bar\n\n[formpara]\n"
                          "ShowCmd=3\n"
                          "Extra=1\n"
                          "FormVersion=0\n"
                          "Flags=0\n"
                          "PixelsPerInch=96\n"
                          "MinMaxPos(1280x1024)=-1,-1,-4,-23\n"
                          "MinMaxPos=-1,-1,-4,-23\n"
                          "NormPos(1280x1024)=1,2,3,4\n"
                          "NormPos=1,2,3,4\n"
                          "Visible=0\n"s);
}

void TestPlacementRules::anotherScreenAddsMarkedPair() {
    ProfileFile file;
    QVERIFY(WritePlacement(file, kSection, kMark, SampleRecord()));
    PlacementRecord second = SampleRecord();
    second.normal = {10, 20, 541, 393};
    QVERIFY(WritePlacement(file, kSection, "(1024x768)", second));
    QCOMPARE(file.ReadString(kSection, "NormPos(1280x1024)"), "100,200,631,573"s);
    QCOMPARE(file.ReadString(kSection, "NormPos(1024x768)"), "10,20,541,393"s);
    QCOMPARE(file.ReadString(kSection, "NormPos"), "10,20,541,393"s);
    QCOMPARE(file.ReadString(kSection, "MinMaxPos(1024x768)"), "-1,-1,-4,-23"s);
    // The new marked keys follow the section's last key.
    const std::string text = file.Text();
    QVERIFY(text.find("Visible=0\nMinMaxPos(1024x768)=") != std::string::npos);
    QVERIFY(text.find("MinMaxPos(1024x768)=-1,-1,-4,-23\nNormPos(1024x768)=") != std::string::npos);
}

void TestPlacementRules::saveAtDestructionWritesVisible() {
    ProfileFile file;
    PlacementRecord record = SampleRecord();
    record.visible = true;
    QVERIFY(WritePlacement(file, kSection, kMark, record));
    QCOMPARE(file.ReadString(kSection, "Visible"), "1"s);
    QVERIFY(!WritePlacement(file, "bad]name", kMark, record));
}

void TestPlacementRules::restore_data() {
    QTest::addColumn<std::string>("section");
    QTest::addColumn<bool>("sizeable");
    QTest::addColumn<int>("version");
    QTest::addColumn<std::string>("mark");
    QTest::addColumn<bool>("versionAccepted");
    QTest::addColumn<bool>("savedData");
    QTest::addColumn<bool>("apply");
    QTest::addColumn<PlacementRect>("normal");

    const std::string mark(kMark);
    const PlacementRect cur = kCurrent;
    QTest::newRow("no section") << ""s << true << 0 << mark << true << false << false << cur;
    QTest::newRow("plain key") << "NormPos=10,20,537,366\n"s << true << 0 << mark << true << true
                               << true << PlacementRect{10, 20, 537, 366};
    QTest::newRow("marked key first")
        << "NormPos(1280x1024)=10,10,110,110\nNormPos=20,20,120,120\n"s << true << 0 << mark << true
        << true << true << PlacementRect{10, 10, 110, 110};
    QTest::newRow("other screen reads plain")
        << "NormPos(1280x1024)=10,10,110,110\nNormPos=20,20,120,120\n"s << true << 0 << "(800x600)"s
        << true << true << true << PlacementRect{20, 20, 120, 120};
    QTest::newRow("empty marked reads plain")
        << "NormPos(1280x1024)=\nNormPos=20,20,120,120\n"s << true << 0 << mark << true << true
        << true << PlacementRect{20, 20, 120, 120};
    QTest::newRow("resolution differs") << "PixelsPerInch=144\nNormPos=10,20,537,366\n"s << true
                                        << 0 << mark << true << false << false << cur;
    QTest::newRow("resolution unreadable")
        << "PixelsPerInch=lots\nNormPos=10,20,537,366\n"s << true << 0 << mark << true << true
        << true << PlacementRect{10, 20, 537, 366};
    QTest::newRow("resolution same")
        << "PixelsPerInch=0x60\nNormPos=10,20,537,366\n"s << true << 0 << mark << true << true
        << true << PlacementRect{10, 20, 537, 366};
    QTest::newRow("FormVersion -1") << "FormVersion=-1\nNormPos=10,20,537,366\n"s << true << 0
                                    << mark << false << false << false << cur;
    QTest::newRow("FormVersion newer")
        << "FormVersion=3\nNormPos=10,20,537,366\n"s << true << 0 << mark << true << true << true
        << PlacementRect{10, 20, 537, 366};
    QTest::newRow("FormVersion unreadable")
        << "FormVersion=x\nNormPos=10,20,537,366\n"s << true << 0 << mark << true << true << true
        << PlacementRect{10, 20, 537, 366};
    QTest::newRow("Version 1, none stored")
        << "NormPos=10,20,537,366\n"s << true << 1 << mark << false << false << false << cur;
    QTest::newRow("right not greater than left")
        << "NormPos=100,100,50,400\n"s << true << 0 << mark << true << true << false << cur;
    QTest::newRow("right equals left")
        << "NormPos=100,100,100,400\n"s << true << 0 << mark << true << true << false << cur;
    QTest::newRow("fixed border: position only")
        << "NormPos=100,100,50,400\n"s << false << 0 << mark << true << true << true
        << PlacementRect{100, 100, 100 + 527, 100 + 346};
    QTest::newRow("fixed border, other size")
        << "NormPos=7,8,1000,1000\n"s << false << 0 << mark << true << true << true
        << PlacementRect{7, 8, 7 + 527, 8 + 346};
    QTest::newRow("unreadable words take defaults")
        << "NormPos=100,abc\n"s << true << 0 << mark << true << true << true
        << PlacementRect{100, cur.top, cur.right, cur.bottom};
    QTest::newRow("overflowing word")
        << "NormPos=99999999999,20,537,366\n"s << true << 0 << mark << true << true << true
        << PlacementRect{cur.left, 20, 537, 366};
    QTest::newRow("hex words") << "NormPos=0x10,0x20,0x110,0x120\n"s << true << 0 << mark << true
                               << true << true << PlacementRect{16, 32, 272, 288};
    QTest::newRow("MinMaxPos only counts")
        << "MinMaxPos=-1,-1,-4,-4\n"s << true << 0 << mark << true << true << true << cur;
    QTest::newRow("blank value is no data")
        << "NormPos=   \n"s << true << 0 << mark << true << false << false << cur;
}

void TestPlacementRules::restore() {
    QFETCH(std::string, section);
    QFETCH(bool, sizeable);
    QFETCH(int, version);
    QFETCH(std::string, mark);
    QFETCH(bool, versionAccepted);
    QFETCH(bool, savedData);
    QFETCH(bool, apply);
    QFETCH(PlacementRect, normal);

    const ProfileFile file(section.empty() ? ""s
                                           : "[other]\nNormPos=1,1,9,9\n[FORMPARA]\n" + section);
    RestoreInput input;
    input.version = version;
    input.sizeableBorder = sizeable;
    input.current = kCurrent;
    input.pixelsPerInch = 96;
    const RestorePlan plan = PlanRestore(file, kSection, mark, input);
    QCOMPARE(plan.versionAccepted, versionAccepted);
    QCOMPARE(plan.savedData, savedData);
    QCOMPARE(plan.applyNormal, apply);
    QCOMPARE(plan.normal, normal);
    QCOMPARE(plan.applyState, versionAccepted);
}

void TestPlacementRules::restoreState_data() {
    QTest::addColumn<std::string>("showCmd");
    QTest::addColumn<bool>("mainWindow");
    QTest::addColumn<WindowShow>("show");
    QTest::addColumn<bool>("minimizeApplication");
    for (const char* normal : {"1", "5", "9", "0", "4", "8", "-1", "x", ""})
        QTest::addRow("ShowCmd=%s", normal)
            << std::string(normal) << false << WindowShow::Normal << false;
    for (const char* minimized : {"2", "6", "7", "0x2"})
        QTest::addRow("ShowCmd=%s", minimized)
            << std::string(minimized) << false << WindowShow::Minimized << false;
    QTest::newRow("ShowCmd=3") << "3"s << false << WindowShow::Maximized << false;
    QTest::newRow("main window minimized") << "2"s << true << WindowShow::Normal << true;
    QTest::newRow("main window ShowCmd=7") << "7"s << true << WindowShow::Normal << true;
    QTest::newRow("main window maximized") << "3"s << true << WindowShow::Maximized << false;
}

void TestPlacementRules::restoreState() {
    QFETCH(std::string, showCmd);
    QFETCH(bool, mainWindow);
    QFETCH(WindowShow, show);
    QFETCH(bool, minimizeApplication);
    // The state is restored even when the position is not (another resolution).
    const ProfileFile file("[formpara]\nPixelsPerInch=120\nNormPos=1,2,3,4\nShowCmd=" + showCmd +
                           "\n");
    RestoreInput input;
    input.mainWindow = mainWindow;
    input.current = kCurrent;
    const RestorePlan plan = PlanRestore(file, kSection, kMark, input);
    QVERIFY(!plan.applyNormal);
    QVERIFY(plan.applyState);
    QCOMPARE(plan.show, show);
    QCOMPARE(plan.minimizeApplication, minimizeApplication);
}

void TestPlacementRules::restoreOptions() {
    const ProfileFile file("[formpara]\nShowCmd=3\nNormPos=1,2,300,400\n"s);
    RestoreInput input;
    input.current = kCurrent;
    input.restorePosition = false;
    RestorePlan plan = PlanRestore(file, kSection, kMark, input);
    QVERIFY(!plan.applyNormal);
    QCOMPARE(plan.normal, kCurrent);
    QVERIFY(plan.applyState);
    QCOMPARE(plan.show, WindowShow::Maximized);

    input.restorePosition = true;
    input.restoreState = false;
    plan = PlanRestore(file, kSection, kMark, input);
    QVERIFY(plan.applyNormal);
    QCOMPARE(plan.normal, (PlacementRect{1, 2, 300, 400}));
    QVERIFY(!plan.applyState);
}

void TestPlacementRules::fit_data() {
    QTest::addColumn<PlacementRect>("requested");
    QTest::addColumn<FrameMargins>("margins");
    QTest::addColumn<SizeLimits>("limits");
    QTest::addColumn<bool>("withScreen");
    QTest::addColumn<PlacementRect>("expected");

    const FrameMargins frame{4, 23, 4, 4};
    const SizeLimits free{};
    const SizeLimits fixedWidth{527, 100, 527, 16777215};
    const SizeLimits fixedSize{527, 346, 527, 346};

    QTest::newRow("taken as is") << PlacementRect{100, 100, 635, 500} << frame << free << true
                                 << PlacementRect{100, 100, 635, 500};
    QTest::newRow("width kept at 527") << PlacementRect{100, 100, 900, 700} << frame << fixedWidth
                                       << true << PlacementRect{100, 100, 100 + 527 + 8, 700};
    QTest::newRow("fixed size keeps size") << PlacementRect{50, 60, 70, 80} << frame << fixedSize
                                           << true << PlacementRect{50, 60, 50 + 535, 60 + 373};
    QTest::newRow("minimum height") << PlacementRect{0, 0, 535, 50} << frame << fixedWidth << true
                                    << PlacementRect{0, 0, 535, 127};
    QTest::newRow("partly on screen stays") << PlacementRect{1200, 900, 1735, 1300} << frame << free
                                            << true << PlacementRect{1200, 900, 1735, 1300};
    QTest::newRow("off screen right comes back")
        << PlacementRect{3000, 100, 3535, 500} << frame << free << true
        << PlacementRect{1280 - 535, 100, 1280, 500};
    QTest::newRow("off screen above comes back") << PlacementRect{10, -900, 545, -500} << frame
                                                 << free << true << PlacementRect{10, 0, 545, 400};
    QTest::newRow("larger than the screen") << PlacementRect{5000, 5000, 7000, 7000} << frame
                                            << free << true << PlacementRect{0, 0, 1280, 1024};
    // Stored with one pixel on screen, the main window stays out of reach.
    QTest::newRow("one pixel on screen comes back")
        << PlacementRect{-526, -345, 1, 1} << frame << fixedSize << true
        << PlacementRect{0, 0, 535, 373};
    QTest::newRow("top strip 50 wide stays") << PlacementRect{-485, 300, 50, 700} << frame << free
                                             << true << PlacementRect{-485, 300, 50, 700};
    QTest::newRow("top strip 49 wide comes back")
        << PlacementRect{-486, 300, 49, 700} << frame << free << true
        << PlacementRect{0, 300, 535, 700};
    QTest::newRow("only the bottom on screen comes back")
        << PlacementRect{100, -390, 635, 10} << frame << free << true
        << PlacementRect{100, 0, 635, 400};
    QTest::newRow("title bar 1 pixel above the screen comes back")
        << PlacementRect{100, -1, 635, 399} << frame << free << true
        << PlacementRect{100, 0, 635, 400};
    QTest::newRow("title bar 20 pixels above the bottom stays")
        << PlacementRect{100, 1004, 635, 1404} << frame << free << true
        << PlacementRect{100, 1004, 635, 1404};
    QTest::newRow("title bar 19 pixels above the bottom comes back")
        << PlacementRect{100, 1005, 635, 1405} << frame << free << true
        << PlacementRect{100, 1024 - 400, 635, 1024};
    QTest::newRow("taller than the screen: height held, moved onto it")
        << PlacementRect{100, 50, 635, 1550} << frame << fixedWidth << true
        << PlacementRect{100, 0, 635, 1024};
    QTest::newRow("on the second screen, taller: held there")
        << PlacementRect{1400, 0, 1935, 3000} << frame << fixedWidth << true
        << PlacementRect{1400, 0, 1935, 1024};
    QTest::newRow("minimum height larger than the screen wins")
        << PlacementRect{0, 0, 535, 2000} << frame << SizeLimits{527, 1500, 527, 16777215} << true
        << PlacementRect{0, 0, 535, 1527};
    // Narrowed to the screen, a window far to the left would lose its strip.
    QTest::newRow("wide window narrowed comes back")
        << PlacementRect{-2000, 100, 400, 500} << frame << free << true
        << PlacementRect{0, 100, 1280, 500};
    QTest::newRow("touching no screen goes to the first")
        << PlacementRect{1500, 2000, 2035, 2400} << frame << free << true
        << PlacementRect{1280 - 535, 1024 - 400, 1280, 1024};
    QTest::newRow("second screen kept") << PlacementRect{1400, 100, 1935, 500} << frame << free
                                        << true << PlacementRect{1400, 100, 1935, 500};
    QTest::newRow("extremes, no overflow")
        << PlacementRect{INT_MIN, INT_MIN, INT_MAX, INT_MAX} << frame << free << true
        << PlacementRect{0, 0, 1280, 1024};
    QTest::newRow("extremes without screens")
        << PlacementRect{INT_MAX - 5, INT_MIN, INT_MAX, INT_MIN + 10} << frame << fixedWidth
        << false << PlacementRect{16777215, -16777215, 16777215 + 535, -16777215 + 127};
}

void TestPlacementRules::fit() {
    QFETCH(PlacementRect, requested);
    QFETCH(FrameMargins, margins);
    QFETCH(SizeLimits, limits);
    QFETCH(bool, withScreen);
    QFETCH(PlacementRect, expected);
    std::vector<PlacementRect> areas;
    if (withScreen)
        areas = {{0, 0, 1280, 1024}, {1280, 0, 2560, 1024}};
    QCOMPARE(FitPlacement(requested, margins, limits, areas), expected);
}

void TestPlacementRules::usablePart_data() {
    QTest::addColumn<PlacementRect>("outer");
    QTest::addColumn<bool>("usable");
    QTest::newRow("whole window on screen") << PlacementRect{0, 0, 535, 400} << true;
    QTest::newRow("one pixel") << PlacementRect{-526, -345, 1, 1} << false;
    QTest::newRow("strip 50 x 20 in the corner") << PlacementRect{-485, 1004, 50, 1404} << true;
    QTest::newRow("strip 49 wide") << PlacementRect{-486, 1004, 49, 1404} << false;
    QTest::newRow("strip 19 high") << PlacementRect{0, 1005, 535, 1405} << false;
    // One screen must hold the strip: 40 pixels on each of two is too little.
    QTest::newRow("strip split over two screens") << PlacementRect{1240, 100, 1320, 500} << false;
    QTest::newRow("small window wholly on screen") << PlacementRect{10, 10, 40, 25} << true;
    QTest::newRow("empty rectangle") << PlacementRect{10, 10, 10, 10} << false;
}

void TestPlacementRules::usablePart() {
    QFETCH(PlacementRect, outer);
    QFETCH(bool, usable);
    QCOMPARE(HasUsablePart(outer, {{0, 0, 1280, 1024}, {1280, 0, 2560, 1024}}), usable);
}

// The window that centres itself, as at scale factor 2, where the
// 1280 x 1024 screen is 640 x 512 and the detail window 527 x 640.
void TestPlacementRules::centre_data() {
    QTest::addColumn<PlacementRect>("current");
    QTest::addColumn<FrameMargins>("margins");
    QTest::addColumn<SizeLimits>("limits");
    QTest::addColumn<PlacementRect>("area");
    QTest::addColumn<PlacementRect>("expected");
    const FrameMargins none{};
    const FrameMargins frame{4, 23, 4, 4};
    const SizeLimits detail{527, 100, 527, 16777215};
    const SizeLimits fixed{466, 377, 466, 377};
    QTest::newRow("fits: centred, halves cut")
        << PlacementRect{0, 0, 535, 400} << frame << SizeLimits{} << PlacementRect{0, 0, 1280, 1024}
        << PlacementRect{372, 312, 907, 712};
    QTest::newRow("work area below a panel")
        << PlacementRect{0, 0, 535, 400} << frame << SizeLimits{}
        << PlacementRect{0, 32, 1280, 1024} << PlacementRect{372, 328, 907, 728};
    QTest::newRow("detail window at scale 2: height held")
        << PlacementRect{0, 0, 527, 640} << none << detail << PlacementRect{0, 0, 640, 512}
        << PlacementRect{56, 0, 583, 512};
    QTest::newRow("detail window at scale 2 with a frame")
        << PlacementRect{0, 0, 535, 667} << frame << detail << PlacementRect{0, 0, 640, 512}
        << PlacementRect{52, 0, 587, 512};
    QTest::newRow("detail window at scale 1.5 fits")
        << PlacementRect{0, 0, 527, 640} << none << detail << PlacementRect{0, 0, 853, 682}
        << PlacementRect{163, 21, 690, 661};
    QTest::newRow("fixed dialog larger than the area: title bar on screen")
        << PlacementRect{0, 0, 466, 377} << none << fixed << PlacementRect{100, 50, 400, 300}
        << PlacementRect{100, 50, 566, 427};
    QTest::newRow("second screen")
        << PlacementRect{0, 0, 535, 400} << frame << SizeLimits{}
        << PlacementRect{1280, 0, 2560, 1024} << PlacementRect{1652, 312, 2187, 712};
}

void TestPlacementRules::centre() {
    QFETCH(PlacementRect, current);
    QFETCH(FrameMargins, margins);
    QFETCH(SizeLimits, limits);
    QFETCH(PlacementRect, area);
    QFETCH(PlacementRect, expected);
    QCOMPARE(CentreOnArea(current, margins, limits, area), expected);
}

QTEST_GUILESS_MAIN(TestPlacementRules)
#include "test_placement_rules.moc"
