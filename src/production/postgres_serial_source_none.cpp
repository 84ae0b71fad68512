// The PostgreSQL serial source in a build without libpq: every use is refused with the
// reason, before any unit is touched.

#include "messages/text_catalogue.h"
#include "production/postgres_serial_source.h"

namespace kx::production {

void PostgresSerialSource::ResultFree::operator()(pg_result*) const {}

void PostgresSerialSource::ConnFinish::operator()(pg_conn*) const {}

PostgresSerialSource::PostgresSerialSource(std::string address, std::string product,
                                           std::optional<std::uint32_t> typed, UiLanguage language)
    : address_(std::move(address)),
      product_(std::move(product)),
      typed_(typed),
      language_(language) {}

PostgresSerialSource::~PostgresSerialSource() = default;

std::optional<SourceRefusal> PostgresSerialSource::Check() {
    return SourceRefusal{{SayText(language_, Text::SerialDatabaseNotInThisBuild),
                          SayText(language_, Text::SerialNotRecordedNothingProgrammed)}};
}

SourceTake PostgresSerialSource::Take() {
    return {std::nullopt,
            {{SayText(language_, Text::SerialDatabaseNotInThisBuild),
              SayText(language_, Text::ProductRecordNotWrittenProgramAgain)}}};
}

bool PostgresSerialSource::GiveBack(std::uint32_t) {
    return false;
}

}  // namespace kx::production
