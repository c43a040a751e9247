#pragma once

#include "HotSpot.h"

#include <QDialog>
#include <QNetworkAccessManager>
#include <QUrl>

class QLabel;
class QLineEdit;
class QNetworkReply;
class QPushButton;

// The feedback window: name, e-mail and comment go to our web server as one HTTP GET. The
// caller shows it modally through Prompts::showModal; nothing in it needs exec(), so a test can
// fill the fields and press the buttons directly.
//
// Closing it in any way (the back buttons, the exit hot-spot, Escape, the title bar) unloads it:
// the fields are emptied and a request still on its way is dropped, so the same object opens
// again as a fresh window.
class frmSuggest : public QDialog {
    Q_OBJECT

public:
    explicit frmSuggest(QWidget* parent = nullptr);
    ~frmSuggest() override;

    // The send procedure: asks for the first empty field in the status line, or sends.
    void imgSend_Click();
    void Command1_Click() { imgSend_Click(); }
    void Command3_Click() { imgSend_Click(); }
    // Close the window (unload).
    void imgBack_Click();
    void imgExit_Click() { imgBack_Click(); }
    void Command2_Click() { imgBack_Click(); }
    void Command4_Click() { imgBack_Click(); }

    // The address a send with these texts asks for. The texts go in as typed, so a '&' or '='
    // in them keeps its meaning in the query; what an address cannot carry (blanks, '%', '#',
    // non-ASCII) is percent-encoded as UTF-8. VORDANA_FEEDBACK_URL ("http://host:port") puts
    // the request on another server, for tests.
    static QUrl requestUrl(const QString& name, const QString& email, const QString& comment);

    // True while a request has had neither an answer nor a failure.
    bool isSending() const;

    void done(int result) override;

    // Controls, by their documented names.
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtName = nullptr;
    QLineEdit* txtEMail = nullptr;
    QLineEdit* txtComment = nullptr;
    QLabel* lblSending = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    HotSpot* imgSend = nullptr;
    HotSpot* imgBack = nullptr;
    HotSpot* imgExit = nullptr;

private:
    void buildLayout();
    void askFor(const QString& question, QLineEdit* field);
    void send(const QUrl& address);
    void dropRequests();
    void clearFields();

    QNetworkAccessManager m_network;
};
