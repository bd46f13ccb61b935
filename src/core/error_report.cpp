#include "error_report.h"

#include "errors.h"
#include "messages.h"

#include <QString>

#include <new>

using namespace Qt::StringLiterals;

QString error_text(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Error& e) {
        return e.message();
    } catch (const std::bad_alloc&) {
        return u"Memória insuficiente para concluir a operação."_s;
    } catch (const std::exception& e) {
        return u"Erro interno: "_s + QString::fromUtf8(e.what());
    } catch (...) {
        return u"Erro interno desconhecido."_s;
    }
}

bool run_guarded(Messages& messages, const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (...) {
        messages.error(error_text(std::current_exception()));
        return false;
    }
}
