#pragma once
// Serial numbers from a PostgreSQL table shared by every station of a line: one row per
// product holding the next number,
//
//   CREATE TABLE kxveldran_serials (
//       product text PRIMARY KEY,
//       next_serial bigint NOT NULL CHECK (next_serial BETWEEN 0 AND 4294967295));
//
// A number is taken by one UPDATE ... RETURNING in its own transaction, committed before
// Take returns, so two stations never get the same number and a number a chip may hold is
// never handed out again. Every statement is bounded in time: connecting (5 s unless the
// address says otherwise), the server's statement timeout (5 s unless the address sets
// options) and a wait of at most 10 s for any answer, so a dead server fails a unit rather
// than hanging it. One connection, used by one thread at a time.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "messages/message_catalogue.h"
#include "production/serial_source.h"

struct pg_conn;
struct pg_result;

namespace kx::production {

inline constexpr std::string_view kSerialTable = "kxveldran_serials";

class PostgresSerialSource final : public SerialSource {
  public:
    // `address`: postgresql://... as typed; `product`: the product name of the run, the row's
    // key; `typed`: a --serial N, which starts a product's sequence at N when it has no row
    // yet and is refused when the row counts from anywhere else.
    PostgresSerialSource(std::string address, std::string product,
                         std::optional<std::uint32_t> typed, UiLanguage language);
    ~PostgresSerialSource();
    PostgresSerialSource(const PostgresSerialSource&) = delete;
    PostgresSerialSource& operator=(const PostgresSerialSource&) = delete;

    // Connects, starts the row for a typed number, and checks that the row exists, holds a
    // serial number and can be written; a refusal says what to create or change.
    std::optional<SourceRefusal> Check() override;
    // The next number, committed as taken.
    SourceTake Take() override;
    // Put back only while the row still holds number + 1 (no station took one since).
    bool GiveBack(std::uint32_t number) override;

  private:
    struct ResultFree {
        void operator()(pg_result* r) const;
    };
    using Result = std::unique_ptr<pg_result, ResultFree>;
    struct ConnFinish {
        void operator()(pg_conn* c) const;
    };

    bool Connect(std::string* why);
    // One statement with its text parameters; nullptr with `why` set on any failure.
    Result Execute(const char* sql, std::initializer_list<std::string> params, std::string* why);
    std::string Said(const char* libpqMessage) const;

    std::string address_;
    std::string shownAddress_;  // without its password
    std::string product_;
    std::optional<std::uint32_t> typed_;
    UiLanguage language_;
    std::mutex mutex_;
    std::unique_ptr<pg_conn, ConnFinish> conn_;
};

}  // namespace kx::production
