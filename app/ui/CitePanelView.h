#pragma once

#include "ToastView.h"
#include "citation/CitationStyles.h"

#include <QDate>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>

class AppCoordinator;
class CircularCloseButton;
class FormatBox;
class OutlineButton;
class QLabel;
class QScrollArea;
class QVBoxLayout;
class QVariantAnimation;

// The content of the cite panel, drawn from the coordinator's citeReference,
// citeDetailStatus and toastMessage. Without a reference it is a clear strip; with
// one, a sheet: the header, every citation style as a heading over a box that copies
// it, the BibTeX and EndNote copies, the article's warning and where the details
// came from. Copies go to the coordinator's clipboard and are confirmed by a toast.
class CitePanelView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CitePanelView)

public:
    static constexpr int panelWidth = 460;
    static constexpr int placeholderHeight = 10;
    static constexpr int maximumScrollHeight = 460;
    static constexpr double cornerRadius = 12;
    static constexpr int toastTop = 22;

    explicit CitePanelView(AppCoordinator& coordinator, QWidget* parent = nullptr);
    ~CitePanelView() override;

    // The size the panel takes for the current content.
    [[nodiscard]] QSize preferredSize() const;
    [[nodiscard]] QSize sizeHint() const override { return preferredSize(); }

    // Where "today" comes from when the styles are drawn (Harvard prints the day of
    // access); the local calendar day unless replaced.
    void setToday(std::function<QDate()> today);

    // The parts, for the window controller and for tests.
    [[nodiscard]] bool isShowingSheet() const { return m_sheet != nullptr && m_sheetShown; }
    [[nodiscard]] QList<QLabel*> headings() const { return m_headings; }
    [[nodiscard]] QList<FormatBox*> formatBoxes() const { return m_boxes; }
    [[nodiscard]] OutlineButton* bibtexButton() const { return m_bibtex; }
    [[nodiscard]] OutlineButton* endNoteButton() const { return m_endNote; }
    [[nodiscard]] CircularCloseButton* closeButton() const { return m_close; }
    [[nodiscard]] QWidget* header() const { return m_header; }
    // The warning's text when one is shown, else empty.
    [[nodiscard]] QString warningText() const;
    // The detail status line's text when one is shown, else empty.
    [[nodiscard]] QString statusText() const;
    [[nodiscard]] bool isStatusSpinning() const;
    [[nodiscard]] ToastView* toastView() const { return m_toast; }
    [[nodiscard]] bool isToastShown() const { return m_toast->isPresented(); }
    [[nodiscard]] QScrollArea* scrollArea() const { return m_scroll; }

signals:
    // The preferred size may have changed.
    void preferredSizeChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    void renderStyles();
    void updateFooter();
    void updateToast();
    void styleScrollBar();
    void copyCitation(CitationFormatter::Style style, const FormattedCitation& citation);
    void copyExport(const QString& text, const QString& confirmation);
    [[nodiscard]] QRect sheetRect() const;

    QPointer<AppCoordinator> m_coordinator;
    std::function<QDate()> m_today;
    QWidget* m_sheet = nullptr;
    bool m_sheetShown = false;
    QWidget* m_header;
    CircularCloseButton* m_close;
    QScrollArea* m_scroll;
    QWidget* m_content;
    QVBoxLayout* m_styles;
    QList<QLabel*> m_headings;
    QList<FormatBox*> m_boxes;
    OutlineButton* m_bibtex;
    OutlineButton* m_endNote;
    QWidget* m_warning;
    QWidget* m_warningSymbol;
    QLabel* m_warningLabel;
    QWidget* m_status;
    QWidget* m_spinner;
    QLabel* m_statusLabel;
    ToastView* m_toast;
};
