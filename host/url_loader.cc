#include "host/url_loader.h"

#include "host/instance.h"
#include "host/runtime/loader_core.h"

namespace velt {

URLRequestInfo::URLRequestInfo(const Instance*) {}

bool URLRequestInfo::SetProperty(VELT_URLRequestProperty property,
                                 const Var& value) {
  switch (property) {
    case VELT_URLREQUESTPROPERTY_URL:
      if (!value.is_string()) return false;
      url_ = value.AsString();
      return true;
    case VELT_URLREQUESTPROPERTY_METHOD:
      if (!value.is_string()) return false;
      method_ = value.AsString();
      return true;
    case VELT_URLREQUESTPROPERTY_RECORDDOWNLOADPROGRESS:
      if (!value.is_bool()) return false;
      record_download_progress_ = value.AsBool();
      return true;
  }
  return false;
}

Var URLResponseInfo::GetProperty(VELT_URLResponseProperty property) const {
  if (is_null_) return Var();
  switch (property) {
    case VELT_URLRESPONSEPROPERTY_URL:
      return url_;
    case VELT_URLRESPONSEPROPERTY_STATUSCODE:
      return status_code_;
  }
  return Var();
}

URLLoader::URLLoader(const Instance* instance)
    : core_(std::make_unique<runtime::LoaderCore>(
          instance != nullptr ? instance->velt_instance() : 0)) {}

URLLoader::~URLLoader() { core_->Close(); }

int32_t URLLoader::Open(const URLRequestInfo& request,
                        const CompletionCallback& cc) {
  return core_->Open(request, cc);
}

URLResponseInfo URLLoader::GetResponseInfo() const {
  return core_->GetResponseInfo();
}

bool URLLoader::GetDownloadProgress(int64_t* bytes_received,
                                    int64_t* total_bytes_to_be_received) const {
  return core_->GetDownloadProgress(bytes_received, total_bytes_to_be_received);
}

int32_t URLLoader::ReadResponseBody(void* buffer, int32_t bytes_to_read,
                                    const CompletionCallback& cc) {
  return core_->ReadResponseBody(buffer, bytes_to_read, cc);
}

void URLLoader::Close() { core_->Close(); }

}  // namespace velt
