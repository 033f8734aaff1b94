#include "print/print_channel.h"

#include "print/print_text.h"

namespace ostrane {

CPrintChannel::OpenResult CPrintChannel::Open(IPrintDevices& devices, const PrintSetup& setup,
                                              platform::CPrintCancel& cancel) {
  OpenResult result;
  if (IsOpen()) return result;
  formFeedAtClose_ = setup.formFeedAtClose;
  failed_ = false;
  lineLength_ = 0;
  switch (setup.destination) {
    case PrintDestination::kPagePrinter: {
      std::unique_ptr<IPageDevice> page = devices.OpenPageDevice(setup.printer, setup.font, cancel);
      const std::optional<PageLayout> layout =
          page ? LayoutFor(page->Metrics()) : std::optional<PageLayout>();
      if (!layout) return {OpenStatus::kCannotSetup, 0};
      if (!page->StartDocument(setup.title)) return {OpenStatus::kCannotStart, 0};
      page_ = std::move(page);
      writer_ = std::make_unique<CPageWriter>(*page_, *layout);
      kind_ = Kind::kPage;
      break;
    }
    case PrintDestination::kPort:
      output_ = devices.OpenPort(setup.port, result.error, cancel);
      if (!output_) return {OpenStatus::kCannotInitialize, result.error};
      kind_ = Kind::kPort;
      break;
    case PrintDestination::kRawJob:
      output_ = devices.OpenRawJob(setup.printer, setup.title, result.error, cancel);
      if (!output_) return {OpenStatus::kCannotInitialize, result.error};
      kind_ = Kind::kRaw;
      break;
  }
  return result;
}

void CPrintChannel::Write(std::string_view bytes) {
  if (kind_ != Kind::kRaw && kind_ != Kind::kPort) return;
  // After a failed write the printer's place in the stream is unknown: nothing more goes.
  if (!failed_ && !bytes.empty() &&
      !output_->Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))
    failed_ = true;
}

void CPrintChannel::PutChars(std::u16string_view chars) {
  if (kind_ != Kind::kPage) return;
  for (const char16_t c : chars) {
    if (c == u'\n') {
      FlushLine();
    } else if (c == u'\f') {
      if (lineLength_ > 0) FlushLine();
      if (!writer_->FormFeed()) failed_ = true;
    } else if (c >= 0x20) {
      line_[lineLength_++] = c;
      if (lineLength_ >= writer_->Layout().charsPerLine) FlushLine();
    }
    // CR and the other controls have no place on a printed page.
  }
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
    case Kind::kPort:
      Write(PrintableUtf8(text) + "\r\n");
      return;
  }
}

void CPrintChannel::FlushLine() {
  const bool ok = lineLength_ > 0
                      ? writer_->Line(std::u16string_view(line_, static_cast<size_t>(lineLength_)))
                      : writer_->Blank();
  if (!ok) failed_ = true;
  lineLength_ = 0;
}

bool CPrintChannel::Close() {
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
      if (formFeedAtClose_) Write("\f");
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
  if (page_) page_->AbortDocument();
  writer_.reset();
  page_.reset();
  // An output dropped unfinished cancels its job.
  output_.reset();
  kind_ = Kind::kClosed;
}

}  // namespace ostrane
