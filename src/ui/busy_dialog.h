#pragma once

#include "server/transport.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

// "Aguarde..." while a server call is under way: what is being fetched, from where, and how many
// bytes have arrived. Shown only when the call takes more than a moment; Cancel aborts the call.
// From the start of a call to its end no key, click or close reaches any other window of the
// program, shown or not yet: a handler never runs inside another one that waits for the server.
class BusyDialog : public QDialog, public CallProgress {
    Q_OBJECT

public:
    explicit BusyDialog(QWidget* parent = nullptr);
    ~BusyDialog() override;

    void started(const QString& what, const QString& server) override;
    void received(qint64 bytes) override;
    void finished() override;
    bool cancelled() const override { return cancelled_; }

protected:
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* lblWhat;
    QLabel* lblBytes;
    QPushButton* btnCancelar;
    QTimer* show_timer;
    bool cancelled_ = false;
    // Calls under way; a call made from inside another one (none should be) keeps the gate shut.
    int calls_ = 0;
};
