#pragma once

#include <QDialog>

// About VORN Cite: name, version, icon and, when the notices are bundled, the line
// "Literature evidence for the text you select." with links to the third-party
// notices and the licence, which open in a text window.
class AboutDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutDialog)

public:
    // resourceFolder holds LICENSE.txt and THIRD-PARTY-NOTICES.txt.
    explicit AboutDialog(QString resourceFolder = QStringLiteral(":/app.vorn.cite"),
                         QWidget* parent = nullptr);

    // The credits text (HTML), empty without the notices.
    [[nodiscard]] static QString creditsHtml(const QString& resourceFolder);

private:
    void openText(const QString& link);

    QString m_folder;
};
