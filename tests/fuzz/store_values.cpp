// libFuzzer target: the settings store reading a file another program (or a
// damaged disk) may have filled: any keys tree and any typed values. The
// input is a list of rows put into the store's tables directly; then every
// key reachable from the root is listed and each value read as every kind,
// and the first key is deleted.
//
// Rows: 'k' id-1 parent length name  |  'v' key type length name length data
// (one byte each for id, parent, key, type and the lengths; 0 is the root).
#include <sqlite3.h>

#include <QtEndian>

#include "FuzzSupport.h"
#include "Registry.h"

namespace {

sqlite3* g_database = nullptr;
QString g_file;

void execute(const char* sql) {
    if (sqlite3_exec(g_database, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, sqlite3_errmsg(g_database));
        std::abort();
    }
}

class Reader {
public:
    explicit Reader(QByteArrayView input) : m_input(input) {}
    bool atEnd() const { return m_at >= m_input.size(); }
    int byte() { return atEnd() ? 0 : quint8(m_input[m_at++]); }
    QByteArrayView bytes() {
        const qsizetype length = qMin<qsizetype>(byte(), m_input.size() - m_at);
        const QByteArrayView part = m_input.sliced(m_at, length);
        m_at += length;
        return part;
    }

private:
    QByteArrayView m_input;
    qsizetype m_at = 0;
};

void fill(QByteArrayView input) {
    execute("BEGIN; DELETE FROM keys; DELETE FROM vals;");
    sqlite3_stmt* key = nullptr;
    sqlite3_stmt* value = nullptr;
    sqlite3_prepare_v2(g_database, "INSERT OR IGNORE INTO keys(id, parent, name) VALUES(?, ?, ?)",
                       -1, &key, nullptr);
    sqlite3_prepare_v2(g_database,
                       "INSERT OR IGNORE INTO vals(key, name, type, data) VALUES(?, ?, ?, ?)", -1,
                       &value, nullptr);
    Reader reader(input);
    while (!reader.atEnd()) {
        const int kind = reader.byte();
        if (kind == 'k') {
            sqlite3_bind_int(key, 1, 1 + reader.byte());  // the store numbers keys from 1
            sqlite3_bind_int(key, 2, reader.byte());
            const QByteArrayView name = reader.bytes();
            sqlite3_bind_text(key, 3, name.data(), int(name.size()), SQLITE_TRANSIENT);
            sqlite3_step(key);
            sqlite3_reset(key);
        } else if (kind == 'v') {
            sqlite3_bind_int(value, 1, reader.byte());
            sqlite3_bind_int(value, 3, qint8(reader.byte()));
            const QByteArrayView name = reader.bytes();
            sqlite3_bind_text(value, 2, name.data(), int(name.size()), SQLITE_TRANSIENT);
            const QByteArrayView data = reader.bytes();
            sqlite3_bind_blob(value, 4, data.data(), int(data.size()), SQLITE_TRANSIENT);
            sqlite3_step(value);
            sqlite3_reset(value);
        }
    }
    sqlite3_finalize(key);
    sqlite3_finalize(value);
    execute("COMMIT");
}

// Every read either gives a value or throws the store's error.
void readAll(Registry& registry) {
    for (const QString& name : registry.getValueNames()) {
        try {
            const Registry::ValueType type = registry.valueType(name);
            if (type == Registry::ValueType::Text) {
                registry.readString(name);
            }
        } catch (const RegistryError&) {
        }
        for (int kind = 0; kind < 4; ++kind) {
            try {
                switch (kind) {
                    case 0:
                        registry.readInteger(name);
                        break;
                    case 1:
                        FUZZ_CHECK(registry.readBool(name) == (registry.readInteger(name) != 0));
                        break;
                    case 2:
                        registry.readString(name);
                        break;
                    case 3:
                        FUZZ_CHECK(registry.readDate(name).isValid());
                        break;
                }
            } catch (const RegistryError&) {
            }
        }
    }
}

void visit(Registry& registry, const QString& path, int depth, int& budget) {
    if (depth > 4 || --budget < 0 || !registry.openKey(path, false)) {
        return;
    }
    readAll(registry);
    for (const QString& child : registry.getKeyNames()) {
        visit(registry, path + "\\" + child, depth + 1, budget);
        registry.openKey(path, false);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_file = fuzz::scratch().filePath(QStringLiteral("registry.db"));
    {
        Registry create(g_file);  // the store's own schema
    }
    if (sqlite3_open(g_file.toUtf8().constData(), &g_database) != SQLITE_OK) {
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fill(fuzz::bytesOf(data, size));
    Registry registry(g_file);
    int budget = 64;
    visit(registry, QString(), 0, budget);
    if (registry.openKey(QString(), false)) {
        // (A name that is not UTF-8 cannot be named back.)
        const QStringList top = registry.getKeyNames();
        const QString first = top.isEmpty() ? QString() : "\\" + top[0];
        if (!top.isEmpty() && !top[0].isEmpty() && !top[0].contains(u'\\') &&
            registry.keyExists(first)) {
            FUZZ_CHECK(registry.deleteKey(first));
            FUZZ_CHECK(!registry.keyExists(first));
        }
    }
    // A value written now reads back, whatever was there.
    FUZZ_CHECK(registry.openKey(QStringLiteral("\\Software\\Corvanta\\Fuzz"), true));
    registry.writeInteger(QStringLiteral("v"), -7);
    FUZZ_CHECK(registry.readInteger(QStringLiteral("v")) == -7);
    registry.closeKey();
    return 0;
}
