#include "ui/support/ui_support.h"

#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/x509.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QDir>
#include <QImage>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <fstream>
#include <iterator>

namespace uitest {

using namespace petitora;

MessageAnswer ScriptedMessages::Show(const MessageRequest& request) {
    QWidget* focus = QApplication::focusWidget();
    shown.push_back({request, U(request.caption), U(request.text),
                     focus ? focus->objectName().toStdString() : std::string()});
    if (onShow) onShow(request);
    if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    if (answers.empty()) return MessageAnswer::Yes;
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

std::vector<std::string> ScriptedMessages::Texts() const {
    std::vector<std::string> texts;
    for (const Shown& s : shown) texts.push_back(s.text);
    return texts;
}

ModalScript::ModalScript() {
    connect(&timer_, &QTimer::timeout, this, &ModalScript::Poll);
    timer_.start(5);
}

void ModalScript::Poll() {
    if (Done()) return;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == last_ || !modal->isVisible()) return;
    if (!steps_[next_].matches(modal)) return;
    last_ = modal;
    auto act = steps_[next_++].act;
    QTimer::singleShot(0, modal, [act, modal] { act(modal); });
}

void TypeInto(QWidget* root, const char* name, const std::string& utf8) {
    auto* box = Find<QWidget>(root, name);
    if (box == nullptr) return;
    box->setFocus(Qt::MouseFocusReason);
    // One key per character, carrying its text, as a keyboard of any layout
    // delivers it (QTest::keyClicks knows only ASCII keys).
    for (const QChar ch : QString::fromStdString(utf8)) {
        const auto key = static_cast<Qt::Key>(ch.toUpper().unicode());
        QTest::sendKeyEvent(QTest::Press, box, key, QString(ch), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, box, key, QString(ch), Qt::NoModifier);
    }
}

std::string FocusName() {
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus->objectName().toStdString() : std::string();
}

void ClickTab(QWidget* captureDialog, int index) {
    auto* tabs = Find<QTabWidget>(captureDialog, "tabs");
    if (tabs == nullptr) return;
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
}

void FillCapture(QWidget* captureDialog, const RegistrantRecord& record) {
    const FieldInfo* table = FieldTable();
    for (int page = 0; page < kPageCount; ++page) {
        if (page > 0) ClickTab(captureDialog, page);
        for (int i = 0; i < kFieldCount - 1; ++i) {
            const FieldInfo& info = table[i];
            if (info.page != page) continue;
            if (info.field == Field::StateIndex) {
                auto* list = Find<QComboBox>(captureDialog, info.name);
                if (list) list->setCurrentIndex(record.stateIndex);
                continue;
            }
            const std::string* text = FieldText(record, info.field);
            if (info.field == Field::RegionalOffice) {
                auto* list = Find<QComboBox>(captureDialog, info.name);
                if (list) list->setCurrentIndex(list->findText(QString::fromStdString(U(*text))));
                continue;
            }
            if (text != nullptr && !text->empty()) TypeInto(captureDialog, info.name, U(*text));
        }
    }
}

int MoveMouse(QWidget* window, int times, int firstX, int firstY) {
    QPointer<QWidget> target = window;
    // Consecutive positions always differ, also from one call to the next, or
    // the platform drops the move as no movement at all.
    static int step = 0;
    int moves = 0;
    for (; moves < times && target && target->isVisible(); ++moves, ++step) {
        const int x = firstX + (step * 7) % 200;
        const int y = firstY + (step * 3) % 60 + (step % 2);
        QTest::mouseMove(target->windowHandle(), QPoint(x, y));
    }
    return moves;
}

void ExpectAccessibleNames(QWidget* root) {
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w) &&
            !qobject_cast<QAbstractButton*>(w)) {
            continue;
        }
        if (w->parentWidget() && qobject_cast<QComboBox*>(w->parentWidget())) continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).trimmed().isEmpty())
            << w->metaObject()->className() << " " << w->objectName().toStdString();
    }
}

void Picture(QWidget* widget, const std::string& name) {
    QDir().mkpath(QStringLiteral(PETITORA_UI_PICTURES_DIR));
    const QPixmap pixmap = widget->grab();
    const QImage image = pixmap.toImage();
    // Something was drawn: more than one colour in the picture.
    bool varied = false;
    for (int y = 0; y < image.height() && !varied; y += 3) {
        for (int x = 0; x < image.width() && !varied; x += 3) {
            varied = image.pixel(x, y) != image.pixel(0, 0);
        }
    }
    EXPECT_TRUE(varied) << name << " is blank";
    const QString path =
        QStringLiteral(PETITORA_UI_PICTURES_DIR "/%1.png").arg(QString::fromStdString(name));
    EXPECT_TRUE(pixmap.save(path)) << path.toStdString();
}

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string CheckFilesWithOpenSsl(const std::string& requestPath, const std::string& keyPath,
                                  const std::string& password, int* bits) {
    // MD5 with DES-CBC key files need OpenSSL's legacy provider.
    static OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
    static OSSL_PROVIDER* base = OSSL_PROVIDER_load(nullptr, "default");
    EXPECT_NE(legacy, nullptr);
    EXPECT_NE(base, nullptr);

    const std::string request = ReadAll(requestPath);
    const std::string keyFile = ReadAll(keyPath);
    const auto* p = reinterpret_cast<const unsigned char*>(request.data());
    X509_REQ* req = d2i_X509_REQ(nullptr, &p, static_cast<long>(request.size()));
    EXPECT_NE(req, nullptr) << requestPath;
    if (req == nullptr) return {};
    EVP_PKEY* publicKey = X509_REQ_get0_pubkey(req);
    EXPECT_EQ(X509_REQ_verify(req, publicKey), 1);
    if (bits) *bits = EVP_PKEY_get_bits(publicKey);

    std::string uniqueId;
    const X509_NAME* subject = X509_REQ_get_subject_name(req);
    const int at = X509_NAME_get_index_by_NID(subject, NID_x500UniqueIdentifier, -1);
    if (at >= 0) {
        const ASN1_STRING* value = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, at));
        uniqueId.assign(reinterpret_cast<const char*>(ASN1_STRING_get0_data(value)),
                        static_cast<std::size_t>(ASN1_STRING_length(value)));
    }

    p = reinterpret_cast<const unsigned char*>(keyFile.data());
    X509_SIG* sealed = d2i_X509_SIG(nullptr, &p, static_cast<long>(keyFile.size()));
    EXPECT_NE(sealed, nullptr) << keyPath;
    bool keyMatches = false;
    if (sealed != nullptr) {
        PKCS8_PRIV_KEY_INFO* info =
            PKCS8_decrypt(sealed, password.data(), static_cast<int>(password.size()));
        if (info != nullptr) {
            EVP_PKEY* privateKey = EVP_PKCS82PKEY(info);
            keyMatches = EVP_PKEY_eq(privateKey, publicKey) == 1;
            EVP_PKEY_free(privateKey);
            PKCS8_PRIV_KEY_INFO_free(info);
        }
        EXPECT_EQ(PKCS8_decrypt(sealed, "otra clave", 10), nullptr);
        X509_SIG_free(sealed);
    }
    EXPECT_TRUE(keyMatches) << "the key file does not hold the request's key";
    X509_REQ_free(req);
    return keyMatches ? uniqueId : std::string();
}

}  // namespace uitest
