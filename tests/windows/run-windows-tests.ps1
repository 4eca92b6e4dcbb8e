# Runs the Windows tests of the build folder this script is copied into, the
# programs and arguments that windows-tests.txt beside it lists, without
# CTest: in a Windows Sandbox (ostrivane-tests.wsb), say. The tests write to
# this machine's desktop and registry: run it only on a Windows that is
# thrown away afterwards.
#
#   run-windows-tests.ps1 RESULTS
#
# Writes to the folder RESULTS each program's output (<program>.log) and
# GoogleTest's report (<program>.xml), and summary.txt: the Windows version
# and ANSI code page, one line per program with its exit code, and last
# "passed" or "FAILED". Exits with 1 where any program failed.
param([Parameter(Mandatory = $true)][string]$Results)
$ErrorActionPreference = 'Stop'
$build = $PSScriptRoot
New-Item -ItemType Directory -Force -Path $Results | Out-Null
$summary = Join-Path $Results 'summary.txt'
$codePage = (Get-ItemProperty 'HKLM:\SYSTEM\CurrentControlSet\Control\Nls\CodePage').ACP
"Windows $([Environment]::OSVersion.Version), ANSI code page $codePage" | Set-Content $summary
$failed = $false
foreach ($line in Get-Content (Join-Path $build 'windows-tests.txt')) {
  $program, $arguments = -split $line
  if (-not $program) { continue }
  $report = "--gtest_output=xml:$(Join-Path $Results "$program.xml")"
  $run = Start-Process -FilePath (Join-Path $build "$program.exe") -ArgumentList (@($arguments) + $report) `
    -WorkingDirectory $build -NoNewWindow -Wait -PassThru `
    -RedirectStandardOutput (Join-Path $Results "$program.log") `
    -RedirectStandardError (Join-Path $Results "$program.errors.log")
  "$program exit code $($run.ExitCode)" | Add-Content $summary
  if ($run.ExitCode -ne 0) { $failed = $true }
}
if ($failed) { 'FAILED' | Add-Content $summary; exit 1 }
'passed' | Add-Content $summary
