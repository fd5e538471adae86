#include <QSslSocket>
#include <gtest/gtest.h>

namespace {

// The map's https servers are reached through Windows' own TLS (Schannel); no other library is
// shipped.
TEST(TlsBackend, SchannelIsThere)
{
    const QStringList backends = QSslSocket::availableBackends();
    EXPECT_TRUE(backends.contains(QStringLiteral("schannel")))
        << backends.join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(QSslSocket::supportsSsl());
}

} // namespace
