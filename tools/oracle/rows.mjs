// rows.mjs: every row of every user table as mdb-reader reads it, with each table's definition
// page (from MSysObjects), for tests that rebuild index keys from row values.
// Usage: node rows.mjs FILE
// Output, one item a line, tokens separated by spaces, names and strings as UTF-8 hex:
//   table TDEF_PAGE COLUMN_COUNT NAME_HEX      (then one "column" line per column)
//   column TYPE SCALE NAME_HEX
//   row                                        (then one cell line per column)
// Cells: "n" null; "s HEX" text, memo, currency, decimal, GUID, big integer; "d NUMBER" numbers;
// "t MS" date/time as milliseconds since 1970 (mdb-reader rounds to the millisecond); "b 0|1";
// "x HEX" binary; "o" anything else. A table mdb-reader cannot read: "error TEXT_HEX".
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const hex = (str) => Buffer.from(String(str), "utf8").toString("hex");

function cell(v) {
  if (v === null || v === undefined) return "n";
  if (typeof v === "boolean") return "b " + (v ? 1 : 0);
  if (typeof v === "number") return "d " + String(v);
  if (typeof v === "bigint") return "s " + hex(v.toString());
  if (typeof v === "string") return "s " + hex(v);
  if (v instanceof Date) return "t " + String(v.getTime());
  if (Buffer.isBuffer(v) || v instanceof Uint8Array) return "x " + Buffer.from(v).toString("hex");
  return "o";
}

const reader = new MDBReader(readFileSync(process.argv[2]));
const pages = new Map();
for (const o of reader.getTable("MSysObjects").getData({ columns: ["Id", "Name", "Type"] })) {
  if (o.Type === 1) pages.set(o.Name, o.Id & 0xffffff);
}
const out = [];
for (const name of reader.getTableNames({ normalTables: true, systemTables: false, linkedTables: false })) {
  const t = reader.getTable(name);
  const columns = t.getColumns();
  out.push(`table ${pages.get(name) ?? 0} ${columns.length} ${hex(name)}`);
  for (const c of columns) out.push(`column ${c.type} ${c.scale ?? 0} ${hex(c.name)}`);
  try {
    for (const r of t.getData()) {
      out.push("row");
      for (const c of columns) out.push(cell(r[c.name]));
    }
  } catch (e) {
    out.push("error " + hex(e && e.message ? e.message : e));
  }
}
process.stdout.write(out.join("\n") + "\n");
