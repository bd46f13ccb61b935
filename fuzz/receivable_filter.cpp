// The "FILTRO" text of a receivables request, read and applied by the reference server.
#include "receivable_filter.h"
#include "fuzz_support.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text = as_text(data, size);
    try {
        const ReceivableFilter filter(text);
        for (const char* status : {"Em Aberto", "Comprado", "Pago", ""})
            for (const char* pagamento : {"BOLETO", "CHEQUE", "O'Brien", ""})
                (void)filter.matches(status, pagamento);
        // Every condition may follow the client's own, so "AND <text>" reads as the text does.
        const std::size_t first = text.find_first_not_of(" \t\r\n");
        if (first != std::string_view::npos && text.substr(first, 4) != "NULL" &&
            text.substr(first, 3) != "AND" && text.substr(first, 3) != "and") {
            const ReceivableFilter following("AND (" + std::string(text) + ")");
            for (const char* status : {"Em Aberto", "Pago"})
                if (following.matches(status, "BOLETO") != filter.matches(status, "BOLETO"))
                    fuzz_fail("AND (text) reads otherwise than text", text);
        }
    } catch (const ReceivableFilter::Invalid&) {
    }
    return 0;
}
