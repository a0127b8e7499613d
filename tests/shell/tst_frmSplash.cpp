// SPDX-License-Identifier: GPL-3.0-or-later
// The about box and splash screen: the link reacts only while OK is visible, and opening
// it goes through the platform services with the two failure messages.

#include "QuillaryVersion.h"
#include "shell/frmSplash.h"
#include "support/ScriptedPlatformServices.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace quillary;
using quillary::test::ScriptedPlatformServices;

Q_DECLARE_METATYPE(quillary::OpenResult)

namespace {

const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);

} // namespace

class tst_frmSplash : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_Services = std::make_unique<ScriptedPlatformServices>();
        m_Form = std::make_unique<frmSplash>(*m_Services);
    }
    void cleanup() {
        m_Form.reset();
        m_Services.reset();
    }

    void contents() {
        QCOMPARE(Label("lblVersion")->text(), QStringLiteral("Version " QUILLARY_VERSION));
        QCOMPARE(Link()->text(), QStringLiteral("https://quillary.example.org/"));
        QVERIFY(!Label("Label1")->text().isEmpty());
        QCOMPARE(Done()->text(), QStringLiteral("&OK"));
        QVERIFY(LinkAtRest());

        // The artwork was rendered from the compiled-in picture, not left blank.
        const QImage art = Label("Image1")->pixmap().toImage();
        QVERIFY(!art.isNull());
        int dark = 0;
        for (int y = 0; y < art.height(); y += 2)
            for (int x = 0; x < art.width(); x += 2)
                if (qGray(art.pixel(x, y)) < 100)
                    ++dark;
        QVERIFY2(dark > 50, qPrintable(QString::number(dark)));
    }

    void splashLinkIsInert() {
        m_Form->ShowAsSplash();
        QVERIFY(QTest::qWaitForWindowExposed(m_Form.get()));
        QVERIFY(m_Form->isVisible());
        QVERIFY(!m_Form->isModal());
        QVERIFY(Done()->isHidden());

        HoverLink();
        QVERIFY(LinkAtRest());
        QTest::mouseClick(Link(), Qt::LeftButton, {}, Link()->rect().center());
        QVERIFY(m_Services->openedUrls.isEmpty());
        QVERIFY(m_Services->messages.isEmpty());
        QVERIFY(m_Form->isVisible());
    }

    void aboutHighlightsAndResets_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("artwork") << QStringLiteral("Image1");
        QTest::newRow("notice") << QStringLiteral("Label1");
        QTest::newRow("version") << QStringLiteral("lblVersion");
        QTest::newRow("background") << QString();
    }

    void aboutHighlightsAndResets() {
        QFETCH(QString, target);
        ShowAbout();

        HoverLink();
        QCOMPARE(LinkColour(), kRed);
        QVERIFY(Link()->font().underline());
        // Moving within the link keeps the highlight.
        QTest::mouseMove(Link(), Link()->rect().center() + QPoint(3, 0));
        QCOMPARE(LinkColour(), kRed);

        if (target.isEmpty()) {
            // A point of the form that no control covers: the corner inside the margin.
            QWidget* at = m_Form->childAt(QPoint(2, 2));
            QVERIFY2(at == nullptr, at ? qPrintable(at->objectName()) : "");
            QTest::mouseMove(m_Form.get(), QPoint(2, 2));
        } else {
            QTest::mouseMove(Label(target), Label(target)->rect().center());
        }
        QVERIFY(LinkAtRest());
    }

    void linkClick_data() {
        QTest::addColumn<OpenResult>("result");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("opened") << OpenResult::Opened << QString() << QString();
        QTest::newRow("no browser")
            << OpenResult::NoHandler << QStringLiteral("Could not find associated Browser")
            << QStringLiteral("Browser Not Found");
        QTest::newRow("launch failed")
            << OpenResult::LaunchFailed
            << QStringLiteral("Webpage not loaded, unable to load\rdefault browser.")
            << QStringLiteral("Web Access Warning");
    }

    void linkClick() {
        QFETCH(OpenResult, result);
        QFETCH(QString, text);
        QFETCH(QString, title);
        m_Services->openResult = result;
        ShowAbout();

        // Clicking twice tries twice, also after a failure.
        for (int click = 1; click <= 2; ++click) {
            HoverLink();
            QCOMPARE(LinkColour(), kRed);
            QTest::mouseClick(Link(), Qt::LeftButton, {}, Link()->rect().center());

            QCOMPARE(m_Services->openedUrls,
                     QStringList(click, QStringLiteral("https://quillary.example.org/")));
            QVERIFY(LinkAtRest());
            QVERIFY(m_Form->isVisible()); // the box stays open
            if (text.isEmpty()) {
                QVERIFY(m_Services->messages.isEmpty());
            } else {
                QCOMPARE(m_Services->messages.size(), click);
                const auto& box = m_Services->messages.last();
                QCOMPARE(box.text, text);
                QCOMPARE(box.title, title);
                QCOMPARE(box.icon, MsgIcon::Exclamation);
                QCOMPARE(box.buttons, MsgButtons::Ok);
            }
        }
    }

    void otherButtonsDoNotOpen() {
        ShowAbout();
        QTest::mouseClick(Link(), Qt::RightButton, {}, Link()->rect().center());
        QVERIFY(m_Services->openedUrls.isEmpty());
    }

    void showAsAboutIsModalAndOkCloses() {
        bool checked = false;
        QTimer::singleShot(0, m_Form.get(), [&] {
            checked = m_Form->isModal() && m_Form->isVisible() && Done()->isVisible();
            QTest::mouseClick(Done(), Qt::LeftButton);
        });
        // Never hang the run if the click went astray.
        QTimer::singleShot(10000, m_Form.get(), [&] { m_Form->done(-1); });
        QCOMPARE(m_Form->ShowAsAbout(), int(QDialog::Accepted));
        QVERIFY(checked);
        QVERIFY(!m_Form->isVisible());
    }

    void splashThenAboutOnOneForm() {
        m_Form->ShowAsSplash();
        QVERIFY(QTest::qWaitForWindowExposed(m_Form.get()));
        m_Form->close();
        ShowAbout();
        HoverLink();
        QCOMPARE(LinkColour(), kRed);
        QTest::mouseClick(Link(), Qt::LeftButton, {}, Link()->rect().center());
        QCOMPARE(m_Services->openedUrls.size(), 1);
    }

private:
    void ShowAbout() {
        m_Form->PrepareAsAbout();
        m_Form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_Form.get()));
        QVERIFY(Done()->isVisible());
    }
    // Qt drops a move to where the pointer already is, so come from the form's corner.
    void HoverLink() {
        QTest::mouseMove(m_Form.get(), QPoint(2, 2));
        QTest::mouseMove(Link(), Link()->rect().center());
    }
    QLabel* Label(const QString& name) const {
        auto* label = m_Form->findChild<QLabel*>(name);
        if (!label)
            qFatal("no label %s", qPrintable(name));
        return label;
    }
    QLabel* Link() const { return Label(QStringLiteral("lblCompanyProduct")); }
    QPushButton* Done() const { return m_Form->findChild<QPushButton*>(QStringLiteral("cmdDone")); }
    QColor LinkColour() const { return Link()->palette().color(QPalette::WindowText); }
    bool LinkAtRest() const { return LinkColour() == kBlue && !Link()->font().underline(); }

    std::unique_ptr<ScriptedPlatformServices> m_Services;
    std::unique_ptr<frmSplash> m_Form;
};

QTEST_MAIN(tst_frmSplash)
#include "tst_frmSplash.moc"
