// compare_oracles.mjs: checks a changed database against its original through both oracles
// (mdbtools' mdb-json and mdb-reader): every expected cell has its new value, every other cell
// of the table is as before. Prints one line per difference; exit 0 when there is none.
//
// Usage: node compare_oracles.mjs --modules DIR --before FILE --after FILE --table T --expect JSON
//   JSON: {"cells": [[rowIndex, "column", "value" | {"hex": "..."} | null], ...]}
import { execFileSync } from "node:child_process";
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import path from "node:path";

const args = {};
for (let i = 2; i < process.argv.length; i += 2) args[process.argv[i].slice(2)] = process.argv[i + 1];
const require = createRequire(path.join(args.modules, "x.js"));
const MDBReader = (await import(require.resolve("mdb-reader"))).default;

function readerRows(file) {
  const table = new MDBReader(readFileSync(file)).getTable(args.table);
  const columns = table.getColumnNames();
  return table.getData().map((r) => Object.fromEntries(columns.map((c) => [c, r[c] ?? null])));
}

function mdbToolsRows(file) {
  const out = execFileSync("mdb-json", [file, args.table], { maxBuffer: 1 << 30 }).toString("utf8");
  return out.split("\n").filter((l) => l.length > 0).map((l) => JSON.parse(l));
}

// Bytes (OLE, binary) compare as hex: mdb-reader gives a Buffer, mdb-json {"$binary": base64},
// and the expected cells {"hex": "..."}.
const norm = (v) => {
  if (v === undefined || v === null) return null;
  if (typeof v === "string") return v;
  if (v instanceof Uint8Array) return "bytes:" + Buffer.from(v).toString("hex");
  if (typeof v === "object" && typeof v.$binary === "string")
    return "bytes:" + Buffer.from(v.$binary, "base64").toString("hex");
  if (typeof v === "object" && typeof v.hex === "string") return "bytes:" + v.hex.toLowerCase();
  return JSON.stringify(v);
};
const expect = JSON.parse(readFileSync(args.expect, "utf8")).cells;
// Oracles may list moved rows in another order than their slots, so rows are compared as
// multisets: the changed columns against the expected values, the others against the original.
const changedColumns = [...new Set(expect.map(([, column]) => column))];
const expectedRows = new Map();
for (const [row, column, value] of expect) {
  if (!expectedRows.has(row)) expectedRows.set(row, {});
  expectedRows.get(row)[column] = value;
}
const project = (row, columns) => JSON.stringify(columns.map((c) => norm(row[c])));
const sortedRows = (rows, columns) => rows.map((r) => project(r, columns)).sort();
let failures = 0;
for (const [name, read] of [["mdb-reader", readerRows], ["mdbtools", mdbToolsRows]]) {
  // mdb-json leaves out empty texts as it leaves out nulls: compare them as nulls there.
  const blank = name === "mdbtools" ? (rows) => rows.map((r) => Object.fromEntries(
    Object.entries(r).map(([k, v]) => [k, v === "" ? null : v]))) : (rows) => rows;
  const before = blank(read(args.before));
  const after = blank(read(args.after));
  if (before.length !== after.length || after.length !== expectedRows.size) {
    console.log(`${name}: ${before.length} rows before, ${after.length} after, ${expectedRows.size} expected`);
    failures++;
    continue;
  }
  const all = new Set(before.flatMap((r) => Object.keys(r)).concat(after.flatMap((r) => Object.keys(r))));
  const kept = [...all].filter((c) => !changedColumns.includes(c));
  const checks = [
    ["changed columns", sortedRows(blank([...expectedRows.values()]), changedColumns), sortedRows(after, changedColumns)],
    ["other columns", sortedRows(before, kept), sortedRows(after, kept)],
  ];
  for (const [what, want, got] of checks) {
    for (let i = 0; i < want.length; i++) {
      if (want[i] !== got[i]) {
        console.log(`${name}: ${what}: expected ${want[i].slice(0, 160)}, got ${got[i].slice(0, 160)}`);
        failures++;
        break;
      }
    }
  }
}
process.exit(failures === 0 ? 0 : 1);
