#include "print/print_channel.h"

#include "print/print_text.h"

namespace ostrane {

namespace {

constexpr uint8_t kLineFeed = 0x0A;
constexpr uint8_t kFormFeed = 0x0C;

}  // namespace

CPrintChannel::OpenResult CPrintChannel::Open(IPrintDevices& devices, const PrintSetup& setup,
                                              Translate translate) {
  OpenResult result;
  if (IsOpen()) return result;
  formFeedAtClose_ = setup.formFeedAtClose;
  keepOpen_ = false;
  failed_ = false;
  lineLength_ = 0;
  rawLength_ = 0;
  switch (setup.destination) {
    case PrintDestination::kPagePrinter: {
      std::unique_ptr<IPageDevice> page = devices.OpenPageDevice(setup.printer, setup.font);
      const std::optional<PageLayout> layout =
          page ? LayoutFor(page->Metrics()) : std::optional<PageLayout>();
      if (!layout) return {OpenStatus::kCannotSetup, 0};
      if (!page->StartDocument(setup.title)) return {OpenStatus::kCannotStart, 0};
      page_ = std::move(page);
      writer_ = std::make_unique<CPageWriter>(*page_, *layout);
      translate_ = std::move(translate);
      kind_ = Kind::kPage;
      break;
    }
    case PrintDestination::kPort:
      output_ = devices.OpenPort(setup.port, result.error);
      if (!output_) return {OpenStatus::kCannotInitialize, result.error};
      kind_ = Kind::kPort;
      break;
    case PrintDestination::kRawJob:
      output_ = devices.OpenRawJob(setup.printer, setup.title, result.error);
      if (!output_) return {OpenStatus::kCannotInitialize, result.error};
      kind_ = Kind::kRaw;
      break;
  }
  return result;
}

void CPrintChannel::WriteOut(const uint8_t* data, size_t length) {
  if (!failed_ && !output_->Write(data, length)) failed_ = true;
}

void CPrintChannel::Put(uint8_t byte) {
  switch (kind_) {
    case Kind::kClosed:
      return;
    case Kind::kPort:
      WriteOut(&byte, 1);
      return;
    case Kind::kRaw:
      if (rawLength_ == sizeof raw_) FlushRaw();
      raw_[rawLength_++] = byte;
      return;
    case Kind::kPage:
      break;
  }
  if (byte == kLineFeed) {
    FlushLine();
  } else if (byte == kFormFeed) {
    if (lineLength_ > 0) FlushLine();
    if (!writer_->FormFeed()) failed_ = true;
  } else if (byte >= 0x20) {
    const char16_t c = translate_ ? translate_(byte) : static_cast<char16_t>(byte);
    if (c == 0) return;
    line_[lineLength_++] = c;
    if (lineLength_ >= writer_->Layout().charsPerLine) FlushLine();
  }
  // CR and the other controls have no place on a printed page.
}

void CPrintChannel::PutLine(std::u16string_view text) {
  switch (kind_) {
    case Kind::kClosed:
      return;
    case Kind::kPage:
      if (lineLength_ > 0) FlushLine();
      if (!writer_->Line(text.substr(0, static_cast<size_t>(writer_->Layout().charsPerLine))))
        failed_ = true;
      return;
    case Kind::kRaw:
    case Kind::kPort: {
      const std::string bytes = PrintableUtf8(text) + "\r\n";
      for (char c : bytes) Put(static_cast<uint8_t>(c));
      return;
    }
  }
}

void CPrintChannel::FlushRaw() {
  if (rawLength_ > 0) WriteOut(raw_, rawLength_);
  rawLength_ = 0;
}

void CPrintChannel::FlushLine() {
  if (kind_ == Kind::kRaw) return FlushRaw();
  if (kind_ != Kind::kPage) return;
  const bool ok = lineLength_ > 0
                      ? writer_->Line(std::u16string_view(line_, static_cast<size_t>(lineLength_)))
                      : writer_->Blank();
  if (!ok) failed_ = true;
  lineLength_ = 0;
}

void CPrintChannel::EndOutput() {
  if (kind_ == Kind::kRaw) FlushRaw();
  keepOpen_ = false;
}

bool CPrintChannel::Close() {
  if (keepOpen_ || kind_ == Kind::kClosed) return true;
  bool ok = true;
  switch (kind_) {
    case Kind::kPage:
      if (lineLength_ > 0) FlushLine();
      ok = !failed_ && writer_->EndLastPage() && page_->EndDocument();
      if (!ok) page_->AbortDocument();
      writer_.reset();
      page_.reset();
      break;
    case Kind::kRaw:
    case Kind::kPort:
      if (formFeedAtClose_) Put(kFormFeed);
      FlushRaw();
      ok = !failed_ && output_->Finish();
      output_.reset();
      break;
    case Kind::kClosed:
      break;
  }
  kind_ = Kind::kClosed;
  return ok;
}

void CPrintChannel::Abandon() {
  keepOpen_ = false;
  Close();
}

}  // namespace ostrane
