#include "ui/message_presenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "ui/program_texts.h"
#include "ui/text_boundary.h"

namespace petitora {

MessageAnswer QtMessagePresenter::Show(const MessageRequest& request) {
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr) owner = QApplication::activeWindow();

    QMessageBox box(owner);
    box.setWindowTitle(FromCp1252(request.caption));
    box.setText(FromCp1252(request.text));
    box.setTextFormat(Qt::PlainText);
    switch (request.icon) {
        case MessageIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MessageIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
    }
    QPushButton* yes = nullptr;
    if (request.buttons == MessageButtons::YesNo) {
        yes = box.addButton(QMessageBox::Yes);
        QPushButton* no = box.addButton(QMessageBox::No);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        yes->setText(FromCp1252(Text(UiText::ButtonYes)));
        no->setText(FromCp1252(Text(UiText::ButtonNo)));
    } else {
        QPushButton* ok = box.addButton(QMessageBox::Ok);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
        ok->setText(FromCp1252(Text(UiText::ButtonOk)));
    }
    box.exec();
    if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    // A Yes/No box closed any other way answers No.
    return box.clickedButton() == yes ? MessageAnswer::Yes : MessageAnswer::No;
}

void ShowVerdict(MessagePresenter& messages, const Verdict& verdict) {
    if (verdict.valid) return;
    MessageRequest request;
    request.caption = verdict.caption;
    request.text = verdict.message;
    messages.Show(request);
}

}  // namespace petitora
