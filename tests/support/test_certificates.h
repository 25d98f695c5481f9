#pragma once

#include <QString>
#include <QTemporaryDir>

namespace kelvane::test {

// A test CA and server certificates, made once per test program with the openssl command line
// in a temporary folder.
class TestCertificates {
public:
    struct Pair {
        QString certificate;
        QString key;
    };

    // The one set of this program; made on first use.
    static const TestCertificates& shared();

    bool ok() const { return error_.isEmpty(); }
    const QString& error() const { return error_; }

    // The test CA, for [network] ca_file.
    QString caFile() const;
    // For 127.0.0.1 and localhost, issued by the test CA.
    Pair good() const;
    // For wrong-name.test only, issued by the test CA.
    Pair wrongName() const;
    // For 127.0.0.1 and localhost, issued by a CA nobody trusts.
    Pair unknownIssuer() const;
    // For 127.0.0.1 and localhost, issued by the test CA, valid no longer.
    Pair expired() const;

private:
    TestCertificates();
    bool run(const QStringList& arguments);
    bool makeCa(const QString& name);
    bool makeLeaf(const QString& name, const QString& ca, const QString& altNames, int days);
    Pair pair(const QString& name) const;

    QTemporaryDir dir_;
    QString error_;
};

} // namespace kelvane::test

// Skips the running test when the openssl command is missing, fails it when it cannot make
// the certificates.
#define KELVANE_NEED_CERTIFICATES(certs)                                                           \
    const ::kelvane::test::TestCertificates& certs = ::kelvane::test::TestCertificates::shared();  \
    ASSERT_TRUE(certs.ok()) << certs.error().toStdString()
