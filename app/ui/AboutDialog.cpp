#include "AboutDialog.h"

#include "StatusTrayIcon.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

const QString noticesName = QStringLiteral("THIRD-PARTY-NOTICES.txt");
const QString licenseName = QStringLiteral("LICENSE.txt");

} // namespace

QString AboutDialog::creditsHtml(const QString& folder)
{
    if (!QFile::exists(folder + u'/' + noticesName))
        return {};
    QString html = QStringLiteral("<p style=\"font-size:11pt; color:palette(mid)\">"
                                  "Literature evidence for the text you select.<br>"
                                  "<a href=\"notices\">Third-party notices</a>");
    if (QFile::exists(folder + u'/' + licenseName))
        html += QStringLiteral("  \u00B7  <a href=\"license\">License</a>");
    return html + QStringLiteral("</p>");
}

AboutDialog::AboutDialog(QString resourceFolder, QWidget* parent)
    : QDialog(parent), m_folder(std::move(resourceFolder))
{
    setWindowTitle(QStringLiteral("About VORN Cite"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);

    auto* icon = new QLabel(this);
    icon->setPixmap(applicationTrayIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignHCenter);
    layout->addWidget(icon);

    auto* name = new QLabel(QStringLiteral("<b>VORN Cite</b>"), this);
    name->setAlignment(Qt::AlignHCenter);
    layout->addWidget(name);
    auto* version = new QLabel(QStringLiteral("Version ") + QCoreApplication::applicationVersion(), this);
    version->setAlignment(Qt::AlignHCenter);
    layout->addWidget(version);

    const QString credits = creditsHtml(m_folder);
    if (!credits.isEmpty()) {
        auto* label = new QLabel(credits, this);
        label->setAlignment(Qt::AlignHCenter);
        label->setTextFormat(Qt::RichText);
        label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        connect(label, &QLabel::linkActivated, this, &AboutDialog::openText);
        layout->addWidget(label);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);
}

void AboutDialog::openText(const QString& link)
{
    const bool notices = link == u"notices";
    QFile file(m_folder + u'/' + (notices ? noticesName : licenseName));
    if (!file.open(QIODevice::ReadOnly))
        return;
    auto* window = new QDialog(this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(notices ? QStringLiteral("Third-party notices") : QStringLiteral("License"));
    auto* layout = new QVBoxLayout(window);
    auto* text = new QPlainTextEdit(QString::fromUtf8(file.read(1 << 20)), window);
    text->setReadOnly(true);
    text->setMinimumSize(560, 420);
    layout->addWidget(text);
    window->show();
}
