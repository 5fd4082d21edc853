#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QStringList>
#include <QToolButton>
#include <QVBoxLayout>

#include <map>
#include <set>
#include <string>

// Stand-ins named like the player's widgets that the style sheet selects by
// class name.
class TToolButton : public QToolButton {
    Q_OBJECT
public:
    using QToolButton::QToolButton;
};

class ToolBarWidget : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};

namespace {

const QColor kDimmedWhite(255, 255, 255, 0x75);

QStringList g_warnings;

void collectWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtWarningMsg || type == QtCriticalMsg)
        g_warnings << message;
}

QString readStyleSheet()
{
    QFile file(QStringLiteral(":/resources/qss/dark.qss"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

class StyleSheet : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_warnings.clear();
        m_previousHandler = qInstallMessageHandler(collectWarnings);
        const QString styleSheet = readStyleSheet();
        ASSERT_FALSE(styleSheet.isEmpty());
        qApp->setStyleSheet(styleSheet);
    }

    void TearDown() override
    {
        qApp->setStyleSheet(QString());
        qInstallMessageHandler(m_previousHandler);
    }

    QtMessageHandler m_previousHandler = nullptr;
};

TEST_F(StyleSheet, AppliesToAWindowWithoutWarnings)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *inner = new QHBoxLayout;
    layout->addLayout(inner);
    auto *title = new QLabel(QStringLiteral("Engine"));
    title->setObjectName(QStringLiteral("switch-title"));
    inner->addWidget(title);
    inner->addWidget(new TToolButton);
    layout->addWidget(new ToolBarWidget);
    window.grab(); // polishes, lays out and paints every widget
    EXPECT_TRUE(g_warnings.isEmpty()) << g_warnings.join(QLatin1Char('\n')).toStdString();
}

// The check above would catch a sheet that Qt cannot read.
TEST_F(StyleSheet, AnUnreadableSheetWouldBeReported)
{
    qApp->setStyleSheet(readStyleSheet() + QStringLiteral("QLabel { color: "));
    QLabel label;
    label.grab();
    EXPECT_FALSE(g_warnings.isEmpty());
}

TEST_F(StyleSheet, DimsTheSwitchTitleOnly)
{
    QLabel title;
    title.setObjectName(QStringLiteral("switch-title"));
    title.ensurePolished();
    EXPECT_EQ(title.palette().color(QPalette::WindowText), kDimmedWhite);
    EXPECT_EQ(title.font().pixelSize(), 14);

    QLabel other;
    other.ensurePolished();
    EXPECT_NE(other.palette().color(QPalette::WindowText), kDimmedWhite);
}

TEST_F(StyleSheet, DimsTheToolButtonTextOnly)
{
    TToolButton button;
    button.ensurePolished();
    EXPECT_EQ(button.palette().color(QPalette::ButtonText), kDimmedWhite);
    EXPECT_EQ(button.font().pixelSize(), 14);

    QToolButton plain;
    plain.ensurePolished();
    EXPECT_NE(plain.palette().color(QPalette::ButtonText), kDimmedWhite);
}

std::string withoutSpaces(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("\\s"))).toStdString();
}

// Selector to declarations, spaces left out.
std::map<std::string, std::set<std::string>> rulesOf(QString styleSheet)
{
    styleSheet.remove(QRegularExpression(QStringLiteral("/\\*.*?\\*/"),
                                         QRegularExpression::DotMatchesEverythingOption));
    std::map<std::string, std::set<std::string>> rules;
    QRegularExpressionMatchIterator it = QRegularExpression(QStringLiteral("([^{}]+)\\{([^{}]*)\\}")).globalMatch(styleSheet);
    while (it.hasNext()) {
        const QRegularExpressionMatch rule = it.next();
        std::set<std::string> &declarations = rules[withoutSpaces(rule.captured(1))];
        for (const QString &declaration : rule.captured(2).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            if (!declaration.trimmed().isEmpty())
                declarations.insert(withoutSpaces(declaration));
        }
    }
    return rules;
}

TEST(StyleSheetRules, AreExactlyTheApplicationsRules)
{
    const std::map<std::string, std::set<std::string>> expected = {
        {"QVBoxLayout,QHBoxLayout", {"margin:0px", "spacing:0px"}},
        {"TToolButton", {"background:transparent", "color:#75ffffff", "font-size:14px"}},
        {"TToolButton:hover", {"color:#fff"}},
        {"QLabel#switch-title", {"color:#75ffffff", "font-size:14px"}},
        {"ToolBarWidget", {"z-index:1000"}},
    };
    EXPECT_EQ(rulesOf(readStyleSheet()), expected);
}

} // namespace

#include "StyleSheetTest.moc"
