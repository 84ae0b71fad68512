#include "production/postgres_serial_source.h"

#include <libpq-fe.h>

#include <array>
#include <charconv>
#include <chrono>
#include <vector>

#include "messages/text_catalogue.h"
#include "platform/socket_wait.h"
#include "production/database_address.h"

namespace kx::production {
namespace {

// A server that takes longer than this to answer one of our short statements is taken
// for dead: the unit fails instead of waiting with its chip half done.
constexpr int kAnswerWaitMs = 10000;
constexpr const char* kAnswerWaitSeconds = "10";
// The server's notices (a warning as it shuts down) are no report lines of ours: what
// matters reaches the caller through the failing statement.
void IgnoreNotice(void*, const char*) {}

constexpr std::int64_t kSerialSpan = 4294967296;  // serial numbers wrap modulo 2^32

constexpr const char* kCheckSql =
    "UPDATE kxveldran_serials SET next_serial = next_serial WHERE product = $1 "
    "RETURNING next_serial";
constexpr const char* kStartSql =
    "INSERT INTO kxveldran_serials (product, next_serial) VALUES ($1, $2) "
    "ON CONFLICT (product) DO NOTHING";
constexpr const char* kTakeSql =
    "UPDATE kxveldran_serials SET next_serial = (next_serial + 1) % 4294967296 "
    "WHERE product = $1 AND next_serial BETWEEN 0 AND 4294967295 RETURNING next_serial";
constexpr const char* kGiveBackSql =
    "UPDATE kxveldran_serials SET next_serial = $2 WHERE product = $1 AND next_serial = $3";

// libpq's and the server's words on one line, without trailing line breaks.
std::string OneLine(const char* message) {
    std::string text = message != nullptr ? message : "";
    for (char& c : text) {
        if (c == '\n' || c == '\t') c = ' ';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    std::string out;
    for (char c : text) {
        if (c == ' ' && !out.empty() && out.back() == ' ') continue;
        out += c;
    }
    return out;
}

std::optional<std::int64_t> StoredValue(pg_result* r) {
    if (PQntuples(r) != 1 || PQgetisnull(r, 0, 0)) return std::nullopt;
    const std::string_view text = PQgetvalue(r, 0, 0);
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

void PostgresSerialSource::ResultFree::operator()(pg_result* r) const {
    PQclear(r);
}

void PostgresSerialSource::ConnFinish::operator()(pg_conn* c) const {
    PQfinish(c);
}

PostgresSerialSource::PostgresSerialSource(std::string address, std::string product,
                                           std::optional<std::uint32_t> typed, UiLanguage language)
    : address_(std::move(address)),
      shownAddress_(AddressWithoutPassword(address_)),
      product_(std::move(product)),
      typed_(typed),
      language_(language) {}

PostgresSerialSource::~PostgresSerialSource() = default;

std::string PostgresSerialSource::Said(const char* libpqMessage) const {
    return WithoutPasswordOf(address_, OneLine(libpqMessage));
}

bool PostgresSerialSource::Connect(std::string* why) {
    // The address comes last, so that its own connect_timeout or options win over these.
    const std::array<const char*, 5> keys{"connect_timeout", "options", "application_name",
                                          "dbname", nullptr};
    const std::array<const char*, 5> values{"5", "-c statement_timeout=5000", "kxveldran",
                                            address_.c_str(), nullptr};
    conn_.reset(PQconnectdbParams(keys.data(), values.data(), 1));
    if (conn_ && PQstatus(conn_.get()) == CONNECTION_OK) {
        PQsetNoticeProcessor(conn_.get(), IgnoreNotice, nullptr);
        return true;
    }
    *why = SayText(language_, Text::SerialDatabaseUnreachable,
                   {shownAddress_, Said(conn_ ? PQerrorMessage(conn_.get()) : nullptr)});
    conn_.reset();
    return false;
}

PostgresSerialSource::Result PostgresSerialSource::Execute(
    const char* sql, std::initializer_list<std::string> params, std::string* why) {
    // A connection lost between units is made again; one lost during a statement is not
    // retried, since the statement may have been carried out.
    if ((!conn_ || PQstatus(conn_.get()) != CONNECTION_OK) && !Connect(why)) return nullptr;
    PGconn* conn = conn_.get();
    std::vector<const char*> values;
    for (const std::string& p : params) values.push_back(p.c_str());
    const auto lost = [&] {
        *why = SayText(language_, Text::SerialDatabaseLost,
                       {shownAddress_, Said(PQerrorMessage(conn))});
        conn_.reset();
        return nullptr;
    };
    if (PQsendQueryParams(conn, sql, static_cast<int>(values.size()), nullptr, values.data(),
                          nullptr, nullptr, 0) != 1) {
        return lost();
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerWaitMs);
    while (PQisBusy(conn) == 1) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        const platform::SocketWait ready =
            left > 0 ? platform::WaitReadable(PQsocket(conn), static_cast<int>(left))
                     : platform::SocketWait::TimedOut;
        if (ready == platform::SocketWait::TimedOut) {
            *why = SayText(language_, Text::SerialDatabaseNoAnswer,
                           {shownAddress_, kAnswerWaitSeconds});
            conn_.reset();  // whatever it answers later belongs to no one
            return nullptr;
        }
        if (ready == platform::SocketWait::Interrupted) continue;
        if (ready == platform::SocketWait::Failed || PQconsumeInput(conn) != 1) return lost();
    }
    Result first(PQgetResult(conn));
    while (PGresult* more = PQgetResult(conn)) PQclear(more);
    if (!first || PQstatus(conn) != CONNECTION_OK) return lost();
    const ExecStatusType status = PQresultStatus(first.get());
    if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) return first;
    const char* state = PQresultErrorField(first.get(), PG_DIAG_SQLSTATE);
    if (state != nullptr && std::string_view(state) == "42P01") {
        *why = SayText(language_, Text::SerialDatabaseNoTable, {shownAddress_});
    } else {
        *why = SayText(language_, Text::SerialDatabaseRefused,
                       {shownAddress_, Said(PQresultErrorMessage(first.get()))});
    }
    return nullptr;
}

std::optional<SourceRefusal> PostgresSerialSource::Check() {
    std::lock_guard lock(mutex_);
    const auto refused = [this](std::string why) {
        return SourceRefusal{
            {std::move(why), SayText(language_, Text::SerialNotRecordedNothingProgrammed)}};
    };
    std::string why;
    if (typed_ && !Execute(kStartSql, {product_, std::to_string(*typed_)}, &why)) {
        return refused(why);
    }
    // Writes the row unchanged: a read-only server or a missing right shows now.
    const Result r = Execute(kCheckSql, {product_}, &why);
    if (!r) return refused(why);
    if (PQntuples(r.get()) == 0) {
        return refused(SayText(language_, Text::SerialDatabaseNoRow, {shownAddress_, product_}));
    }
    const auto value = StoredValue(r.get());
    if (!value || *value < 0 || *value >= kSerialSpan) {
        return refused(SayText(language_, Text::SerialDatabaseNotANumber,
                               {shownAddress_, product_, PQgetvalue(r.get(), 0, 0)}));
    }
    if (typed_ && *value != *typed_) {
        return refused(
            SayText(language_, Text::SerialDatabaseCountsElsewhere,
                    {shownAddress_, product_, std::to_string(*value), std::to_string(*typed_)}));
    }
    typed_.reset();  // started: a later check (the next panel) only looks at the row
    return std::nullopt;
}

SourceTake PostgresSerialSource::Take() {
    std::lock_guard lock(mutex_);
    std::string why;
    if (const Result r = Execute(kTakeSql, {product_}, &why)) {
        if (const auto next = StoredValue(r.get())) {
            return {static_cast<std::uint32_t>(*next - 1), {}};
        }
        // The row was removed, or made no serial number, since the check.
        why = SayText(language_, Text::SerialDatabaseNoRow, {shownAddress_, product_});
    }
    return {std::nullopt,
            {{SayText(language_, Text::SerialNumberNotTakenBecause, {why}),
              SayText(language_, Text::ProductRecordNotWrittenProgramAgain)}}};
}

bool PostgresSerialSource::GiveBack(std::uint32_t number) {
    std::lock_guard lock(mutex_);
    std::string why;
    const Result r = Execute(kGiveBackSql,
                             {product_, std::to_string(number),
                              std::to_string((std::int64_t{number} + 1) % kSerialSpan)},
                             &why);
    return r && std::string_view(PQcmdTuples(r.get())) == "1";
}

}  // namespace kx::production
