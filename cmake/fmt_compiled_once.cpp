// fmt's compiled part for the Windows cross builds, which have only its
// headers. Compiled here once, rather than in every file that formats text
// (FMT_HEADER_ONLY compiles all of it again in each, seconds per file).
#include <fmt/format-inl.h>

FMT_BEGIN_NAMESPACE
namespace detail {

// The templates fmt/format.h declares extern, or calls without defining.
template auto dragonbox::to_decimal(float x) noexcept -> dragonbox::decimal_fp<float>;
template auto dragonbox::to_decimal(double x) noexcept -> dragonbox::decimal_fp<double>;
template locale_ref::locale_ref(const std::locale& loc);
template auto locale_ref::get<std::locale>() const -> std::locale;
template auto thousands_sep_impl(locale_ref) -> thousands_sep_result<char>;
template auto decimal_point_impl(locale_ref) -> char;
template auto thousands_sep_impl(locale_ref) -> thousands_sep_result<wchar_t>;
template auto decimal_point_impl(locale_ref) -> wchar_t;
template void buffer<char>::append(const char*, const char*);
template void buffer<wchar_t>::append(const wchar_t*, const wchar_t*);

}  // namespace detail
FMT_END_NAMESPACE
