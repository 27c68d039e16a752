// Keeps the tools library non-empty before any stand-in exists.
namespace zyn::tools { int anchor = 0; }
