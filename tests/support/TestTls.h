#pragma once

// A certificate authority made for this test run, and a server certificate
// it signed for localhost, 127.0.0.1 and ::1. Clients trust the authority
// through SSL_CERT_FILE (see ScopedEnv), never by turning verification off.
#include <string>

typedef struct ssl_ctx_st SSL_CTX;

class TestTls
{
public:
    // Made on first use, kept until the process ends.
    static const TestTls& Get();

    // The authority's certificate as a PEM file.
    const std::string& CaFile() const { return m_caFile; }
    // A server context holding the signed certificate and its key.
    SSL_CTX* ServerContext() const { return m_serverContext; }

private:
    TestTls();
    std::string m_caFile;
    SSL_CTX* m_serverContext = nullptr;
};

// Sets (or, with nullptr, removes) an environment variable for its lifetime.
// Only while no other thread reads the environment.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name, m_old;
    bool m_had = false;
};
