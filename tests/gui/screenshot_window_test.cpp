// Pictures of the main window in each mode and of the mapping window, taken on a real X
// server (Xvfb): the outer test starts this executable again under xvfb-run, where the inner
// test draws and saves them. Skipped where Xvfb is not installed.
#include <QAction>
#include <QDir>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

#include "window_fixture.h"

using namespace trelvo;
using namespace trelvo::testing;

namespace {

QString ShotFolder() {
    const QString env = qEnvironmentVariable("TRELVO5_SCREENSHOT_DIR");
    return env.isEmpty() ? QDir::current().absoluteFilePath("screenshots") : env;
}

TEST(Screenshots, MainWindowInEachModeUnderXvfb) {
    const QString xvfbRun = QStandardPaths::findExecutable("xvfb-run");
    if (xvfbRun.isEmpty()) GTEST_SKIP() << "xvfb-run is not installed";
    QDir().mkpath(ShotFolder());
    QProcess inner;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("TRELVO5_SCREENSHOT_DIR", ShotFolder());
    // On a real X server the system's D-Bus library keeps memory to the end of the process;
    // the window's own code is leak-checked by the offscreen tests.
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":detect_leaks=0");
    inner.setProcessEnvironment(env);
    // A fresh X server on a machine busy with the other tests now and then loses the first
    // window's events; the pictures are taken again, up to three times, before the test fails.
    QString out;
    for (int attempt = 0; attempt < 3; ++attempt) {
        inner.start(xvfbRun, {"-a", "-s", "-screen 0 1280x900x24", QCoreApplication::applicationFilePath(),
                              "--gtest_filter=ScreenshotsInside.*"});
        ASSERT_TRUE(inner.waitForFinished(120000));
        out = inner.readAllStandardOutput() + inner.readAllStandardError();
        if (inner.exitCode() == 0) break;
    }
    ASSERT_EQ(inner.exitCode(), 0) << out.toStdString();
    if (out.contains("[  SKIPPED ]")) GTEST_SKIP() << "no X server could be started";
    for (const char* name :
         {"main-digipan.png", "main-adif.png", "main-jap1.png", "main-export.png", "mapping.png"}) {
        QImage image(QDir(ShotFolder()).filePath(name));
        EXPECT_FALSE(image.isNull()) << name;
        EXPECT_GT(image.width(), 300) << name;
    }
}

class ScreenshotsInside : public WindowTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "run by MainWindowInEachModeUnderXvfb";
    }
    void Shoot(QWidget* w, const char* name) {
        w->adjustSize();
        QTest::qWait(100);
        ASSERT_TRUE(w->grab().save(QDir(ShotFolder()).filePath(name)));
    }
};

TEST_F(ScreenshotsInside, EachMode) {
    const std::string log = CopyExample("digipan/Digipan.LOG", "Digipan.LOG");
    const std::string adi = CopyExample("adif/sample.adi", "sample.adi");
    const std::string jap1 = CopyExample("jap1/JAP1LOG.TXT", "JAP1LOG.TXT");
    Start();
    form->move(0, 0);
    dialogs.openAnswers.push_back(log);
    Item("setDGPData")->trigger();
    QApplication::processEvents();
    form->menuBar()->setActiveAction(nullptr);
    Shoot(form.get(), "main-digipan.png");

    ChooseAdif(adi);
    ASSERT_NE(Mapping(), nullptr);
    Mapping()->findChild<QAction*>("AutoSet")->trigger();
    Shoot(Mapping(), "mapping.png");
    Mapping()->close();
    QApplication::processEvents();
    Shoot(form.get(), "main-adif.png");

    dialogs.openAnswers.push_back(jap1);
    Item("JAP1CSV")->trigger();
    Shoot(form.get(), "main-jap1.png");

    Item("setHLData")->trigger();
    Shoot(form.get(), "main-export.png");
}

}  // namespace
