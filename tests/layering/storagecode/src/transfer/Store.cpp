// A file above the library that reads a container code: the check must name
// ZEL_OK and nothing else on these lines.
int Store(int rc, int id) {
  const int stored = ZEL_EndianLong_NtoL(id) + static_cast<int>(ZEL_ItemSize(layout, 8));
  if (rc == ZEL_OK) return stored;
  return 0;
}
