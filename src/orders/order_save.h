#pragma once

struct Context;
struct OrderInput;
class TdmDados;

// The save action of the order screen for a client already chosen: the three checks, the local
// header, the copy in the order history and the post. When the server cannot be reached (or only
// the sending time holds the order back) the salesperson may keep the order to send it later.
// Returns true when the order was sent or kept, and the screen is done with it. Other failures
// raise as they come; the screen then stays open with the order as it was.
bool gravar_pedido(const Context& context, TdmDados& dados, const OrderInput& order);
