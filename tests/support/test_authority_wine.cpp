// Under Wine the authority is made on the Linux side by pv-wine-bridge, with the same code, and
// writes its files into the test's folder.
#include "test_authority.h"
#include "wine_bridge.h"

using namespace Qt::StringLiterals;

struct TestAuthority::Keys {
    BridgeSession bridge;
};

TestAuthority::TestAuthority(const QString& folder, const QString& name)
    : keys_(std::make_unique<Keys>()), folder_(folder), certificate_(folder + u'/' + name + u".pem")
{
    keys_->bridge.call({{u"autoridade"_s, unix_path(folder)}, {u"nome"_s, name}});
}

TestAuthority::~TestAuthority() = default;

TestAuthority::Issued TestAuthority::issue(const QString& name, const QString& names, int from_days,
                                           int to_days) const
{
    keys_->bridge.call({{u"emitir"_s, name}, {u"nomes"_s, names}, {u"de"_s, from_days}, {u"ate"_s, to_days}});
    return {folder_ + u'/' + name + u".pem", folder_ + u'/' + name + u".key"};
}
