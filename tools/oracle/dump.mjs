// dump.mjs: what mdb-reader sees in a database, as normalised JSON on stdout.
// Usage: node dump.mjs FILE [--password P] [--table T]
// Output: {"tables":[{"name","rowCount","columns":[{"name","type"}],"rows":[[cell...]...]}]}
// Cells: null; strings; numbers; booleans; dates as "YYYY-MM-DDTHH:MM:SS[.fff]"; binary as
// {"hex": "..."}; big integers as strings; values mdb-reader cannot read as {"error": "..."}.
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const args = process.argv.slice(2);
const file = args[0];
let password;
let only;
for (let i = 1; i < args.length; i++) {
  if (args[i] === "--password") password = args[++i];
  else if (args[i] === "--table") only = args[++i];
}

function cell(v) {
  if (v === null || v === undefined) return null;
  if (typeof v === "bigint") return v.toString();
  if (v instanceof Date) return v.toISOString().replace(/\.000Z$/, "").replace(/Z$/, "");
  if (Buffer.isBuffer(v) || v instanceof Uint8Array) return { hex: Buffer.from(v).toString("hex") };
  if (typeof v === "object") return { other: JSON.stringify(v, (k, x) => (typeof x === "bigint" ? x.toString() : x)) };
  return v;
}

const reader = new MDBReader(readFileSync(file), password === undefined ? {} : { password });
const names = only ? [only] : reader.getTableNames({ normalTables: true, systemTables: false, linkedTables: false });
const tables = [];
for (const name of names) {
  let columns = [];
  let rows = [];
  let rowCount;
  let error;
  try {
    const t = reader.getTable(name);
    rowCount = t.rowCount;
    columns = t.getColumns().map((c) => ({ name: c.name, type: c.type }));
    rows = t.getData().map((r) => columns.map((c) => cell(r[c.name])));
  } catch (e) {
    error = String(e && e.message ? e.message : e);
  }
  tables.push({ name, rowCount, columns, rows, ...(error ? { error } : {}) });
}
process.stdout.write(JSON.stringify({ tables }));
