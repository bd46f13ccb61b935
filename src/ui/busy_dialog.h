#pragma once

#include "server/transport.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

// "Aguarde..." while a server call is under way: what is being fetched, from where, and how many
// bytes have arrived. Shown only when the call takes more than a moment; Cancel aborts the call.
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

private:
    QLabel* lblWhat;
    QLabel* lblBytes;
    QPushButton* btnCancelar;
    QTimer* show_timer;
    bool cancelled_ = false;
};
